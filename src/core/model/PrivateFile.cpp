#include "PrivateFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <sys/stat.h>

namespace vesk::PrivateFile {

namespace {

// Files are read and written in slices: the kernel may not preempt a thread
// inside one read or write call, and one call with a cache of a hundred
// thousand summaries (tens of megabytes, several accounts at once on two
// cores) kept the GUI thread off the processor for 20 ms to a tenth of a
// second. Between calls it gets on.
constexpr qsizetype slice = qsizetype(1) << 20;

} // namespace

bool makeFolder(const QString& path)
{
    if (!QDir().mkpath(path))
        return false;
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return true;
}

bool write(const QString& path, const QByteArray& bytes)
{
    // QSaveFile writes a temporary file beside the target and renames it over
    // the old one on commit.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Before the first byte: the temporary file is the user's mail too.
    if (::fchmod(file.handle(), S_IRUSR | S_IWUSR) != 0) {
        file.cancelWriting();
        return false;
    }
    for (qsizetype done = 0; done < bytes.size(); done += slice) {
        const qsizetype length = std::min(slice, bytes.size() - done);
        if (file.write(bytes.constData() + done, length) != length) {
            file.cancelWriting();
            return false;
        }
    }
    return file.commit();
}

std::optional<QByteArray> read(const QString& path, qsizetype padding)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const auto size = qsizetype(file.size());
    QByteArray bytes(size + padding, Qt::Uninitialized);
    for (qsizetype done = 0; done < size;) {
        const qint64 read = file.read(bytes.data() + done, std::min(slice, size - done));
        if (read <= 0)
            return std::nullopt;
        done += qsizetype(read);
    }
    bytes.resize(size);
    return bytes;
}

} // namespace vesk::PrivateFile
