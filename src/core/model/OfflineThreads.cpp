#include "OfflineThreads.h"

#include "MailJson.h"
#include "MailStore.h"
#include "PrivateFile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <utility>
#include <vector>

namespace vesk {

namespace {

constexpr qsizetype longestPlainName = 64;
const QString suffix = QStringLiteral(".json");

bool isPlainId(const QString& id)
{
    if (id.isEmpty() || id.size() > longestPlainName)
        return false;
    return std::all_of(id.cbegin(), id.cend(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
               c == u'_' || c == u'-';
    });
}

} // namespace

OfflineThreads::OfflineThreads(const QString& accountEmail,
                               const std::optional<QString>& baseDirectory, qint64 limitBytes)
    : m_folder(folderPath(accountEmail, baseDirectory))
    , m_limit(std::max<qint64>(0, limitBytes))
{}

OfflineThreads::~OfflineThreads() = default;

QString OfflineThreads::folderPath(const QString& accountEmail,
                                   const std::optional<QString>& baseDirectory)
{
    if (!MailStore::isSafeFolderName(accountEmail))
        return {};
    const QString base = baseDirectory.value_or(MailStore::defaultBaseDirectory());
    return QDir(QDir(base).filePath(accountEmail)).filePath(QStringLiteral("threads"));
}

QString OfflineThreads::fileName(const QString& threadId)
{
    if (isPlainId(threadId))
        return threadId + suffix;
    // '=' is in no plain id, so a hashed name never meets a plain one.
    const QByteArray hash =
        QCryptographicHash::hash(threadId.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("sha256=") + QString::fromLatin1(hash) + suffix;
}

QString OfflineThreads::pathOf(const QString& name) const
{
    return QDir(m_folder).filePath(name);
}

void OfflineThreads::scanOnce()
{
    if (m_scanned || m_folder.isEmpty())
        return;
    m_scanned = true;
    const QFileInfoList found =
        QDir(m_folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& info : found) {
        // What a write cut short left behind, or what is not ours to read:
        // links are dropped (never what they point at), the rest ignored.
        if (info.isSymLink()) {
            QFile::remove(info.filePath());
            continue;
        }
        if (!info.fileName().endsWith(suffix)) {
            if (info.isFile())
                QFile::remove(info.filePath());
            continue;
        }
        const qint64 stamp = info.lastModified().toMSecsSinceEpoch();
        m_entries.insert(info.fileName(), Entry{info.size(), stamp});
        m_total += info.size();
        m_lastStamp = std::max(m_lastStamp, stamp);
    }
    trim();
}

std::optional<QList<FullMessage>> OfflineThreads::load(const QString& threadId)
{
    if (m_wiped || m_folder.isEmpty())
        return std::nullopt;
    scanOnce();
    const QString name = fileName(threadId);
    if (!m_entries.contains(name))
        return std::nullopt;
    const QString path = pathOf(name);
    const QFileInfo info(path);
    std::optional<StoredThread> stored;
    if (!info.isSymLink() && info.isFile() && info.size() <= std::min(m_limit, largestFile)) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            stored = MailJson::decodeStoredThread(file.read(largestFile));
    }
    if (!stored || stored->threadId != threadId) {
        // Unreadable or not this conversation's: no use to anyone.
        QFile::remove(path);
        forget(name);
        return std::nullopt;
    }
    stampFile(name, nextStamp());
    return std::move(stored->messages);
}

void OfflineThreads::save(const QString& threadId, const QList<FullMessage>& messages)
{
    if (m_wiped || m_folder.isEmpty())
        return;
    scanOnce();
    const QString name = fileName(threadId);
    const QByteArray bytes = MailJson::encode(StoredThread{threadId, messages});
    if (bytes.size() > m_limit) {
        // An older copy would only be shown instead of what Google sent now.
        QFile::remove(pathOf(name));
        forget(name);
        return;
    }
    if (!PrivateFile::makeFolder(m_folder) || !PrivateFile::write(pathOf(name), bytes))
        return;
    forget(name);
    m_entries.insert(name, Entry{bytes.size(), 0});
    m_total += bytes.size();
    stampFile(name, nextStamp());
    trim();
}

void OfflineThreads::setLimit(qint64 bytes)
{
    m_limit = std::max<qint64>(0, bytes);
    if (!m_wiped)
        trim();
}

qint64 OfflineThreads::storedBytes()
{
    scanOnce();
    return m_total;
}

void OfflineThreads::wipe()
{
    m_wiped = true;
    if (m_folder.isEmpty())
        return;
    // File by file rather than recursively: nothing outside the folder can
    // go, whatever a link inside it points at.
    const QFileInfoList found =
        QDir(m_folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& info : found)
        QFile::remove(info.filePath());
    QDir().rmdir(m_folder);
    m_entries.clear();
    m_total = 0;
}

void OfflineThreads::forget(const QString& name)
{
    const auto it = m_entries.constFind(name);
    if (it == m_entries.cend())
        return;
    m_total -= it->size;
    m_entries.erase(it);
}

void OfflineThreads::trim()
{
    if (m_total <= m_limit)
        return;
    std::vector<std::pair<qint64, QString>> byAge;
    byAge.reserve(size_t(m_entries.size()));
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
        byAge.emplace_back(it->stamp, it.key());
    std::sort(byAge.begin(), byAge.end());
    for (const auto& [stamp, name] : byAge) {
        if (m_total <= m_limit)
            break;
        QFile::remove(pathOf(name));
        forget(name);
    }
}

qint64 OfflineThreads::nextStamp()
{
    // Strictly increasing, so that two conversations kept within the same
    // millisecond still have an order.
    m_lastStamp = std::max(QDateTime::currentMSecsSinceEpoch(), m_lastStamp + 1);
    return m_lastStamp;
}

void OfflineThreads::stampFile(const QString& name, qint64 stamp)
{
    const auto it = m_entries.find(name);
    if (it != m_entries.end())
        it->stamp = stamp;
    // The order must hold in the next run too, which learns it from the
    // files' modification times.
    QFile file(pathOf(name));
    if (file.open(QIODevice::ReadOnly))
        file.setFileTime(QDateTime::fromMSecsSinceEpoch(stamp, Qt::UTC),
                         QFileDevice::FileModificationTime);
}

} // namespace vesk
