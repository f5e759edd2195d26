#include "MailStore.h"

#include "MailJson.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <sys/stat.h>

namespace vesk {

namespace {

constexpr QFile::Permissions privateFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

// simdjson reads up to this many bytes past the end of its input; reading the
// file into a buffer with that much room spares a copy of the whole cache.
constexpr qsizetype parserPadding = 64;

std::optional<QByteArray> readWhole(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 size = file.size();
    QByteArray bytes(qsizetype(size) + parserPadding, Qt::Uninitialized);
    const qint64 read = file.read(bytes.data(), size);
    if (read != size)
        return std::nullopt;
    bytes.resize(qsizetype(read));
    return bytes;
}

} // namespace

MailStore::MailStore(QString accountEmail, std::optional<QString> baseDirectory, WallClock clock)
    : m_accountEmail(std::move(accountEmail))
    , m_clock(std::move(clock))
{
    if (!isSafeFolderName(m_accountEmail))
        return;
    const QString base = baseDirectory.value_or(defaultBaseDirectory());
    m_folderPath = QDir(base).filePath(m_accountEmail);
    m_filePath = QDir(m_folderPath).filePath(QStringLiteral("cache.json"));
    // Failures are ignored: the store then works from memory and the next
    // write fails silently, as any other failed write.
    QDir().mkpath(m_folderPath);
    QFile::setPermissions(m_folderPath, privateFolder);
    load();
}

QString MailStore::defaultBaseDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Vesk");
}

bool MailStore::isSafeFolderName(const QString& email)
{
    return !email.isEmpty() && email != u"." && email != u".." && !email.contains(u'/') &&
           !email.contains(QChar(0));
}

void MailStore::load()
{
    std::optional<QByteArray> bytes = readWhole(m_filePath);
    if (!bytes)
        return;
    if (std::optional<State> decoded = MailJson::decodeCache(std::move(*bytes)))
        m_state = std::move(*decoded);
}

MailStore::State MailStore::snapshot() const
{
    QMutexLocker lock(&m_mutex);
    return m_state;
}

QList<MessageSummary> MailStore::summaries(const QString& labelId) const
{
    QMutexLocker lock(&m_mutex);
    QList<MessageSummary> result;
    for (const MessageSummary& summary : m_state.summaries) {
        if (summary.hasLabel(labelId))
            result.append(summary);
    }
    std::stable_sort(result.begin(), result.end(), [](const auto& a, const auto& b) {
        return a.internalDateMs() > b.internalDateMs();
    });
    return result;
}

void MailStore::setHistoryId(const QString& historyId)
{
    QMutexLocker lock(&m_mutex);
    if (m_wiped)
        return;
    m_state.historyId = historyId;
    m_state.lastSync = m_clock();
    persistLocked();
}

void MailStore::setLabels(const QList<LabelInfo>& labels)
{
    QMutexLocker lock(&m_mutex);
    if (m_wiped)
        return;
    m_state.labels = labels;
    persistLocked();
}

void MailStore::markLabelLoaded(const QString& labelId)
{
    QMutexLocker lock(&m_mutex);
    if (m_wiped)
        return;
    m_state.loadedLabels.insert(labelId);
    persistLocked();
}

void MailStore::upsert(const QList<MessageSummary>& summaries)
{
    QMutexLocker lock(&m_mutex);
    if (m_wiped)
        return;
    for (const MessageSummary& summary : summaries)
        m_state.summaries.insert(summary.id(), summary);
    m_state.lastSync = m_clock();
    persistLocked();
}

void MailStore::removeMessages(const QStringList& ids)
{
    QMutexLocker lock(&m_mutex);
    if (m_wiped)
        return;
    for (const QString& id : ids)
        m_state.summaries.remove(id);
    persistLocked();
}

void MailStore::wipe()
{
    QMutexLocker lock(&m_mutex);
    m_wiped = true;
    m_state = State{};
    if (!m_filePath.isEmpty())
        QFile::remove(m_filePath);
}

void MailStore::persistLocked() const
{
    if (m_filePath.isEmpty())
        return;
    const QByteArray bytes = MailJson::encodeCache(m_state);
    // QSaveFile writes a temporary file beside the cache and renames it over
    // the old one on commit, so a crash leaves either the old or the new file.
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return;
    // Mode 0600 whatever the umask: the cache is the user's mail.
    if (::fchmod(file.handle(), S_IRUSR | S_IWUSR) != 0) {
        file.cancelWriting();
        return;
    }
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return;
    }
    file.commit();
}

} // namespace vesk
