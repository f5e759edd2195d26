#include "MailStore.h"

#include "CacheWriter.h"
#include "FirstScreen.h"
#include "MailJson.h"
#include "PrivateFile.h"
#include "SystemLabels.h"
#include "platform/HeapPolicy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vesk {

namespace {

// simdjson reads up to this many bytes past the end of its input; reading the
// file into a buffer with that much room spares a copy of the whole cache.
constexpr qsizetype parserPadding = 64;

// The live stores by cache file. A store opened for a file that another one
// still has changes pending for (a session replaced by a fresh one for the
// same account) must read the file only after those are written.
std::mutex s_openMutex;
std::unordered_multimap<std::string, MailStore*> s_open;

QString cacheFileIn(const QString& folderPath)
{
    return QDir(folderPath).filePath(QStringLiteral("cache.json"));
}

std::optional<MailStoreState> readCacheFile(const QString& filePath)
{
    std::optional<QByteArray> bytes = PrivateFile::read(filePath, parserPadding);
    if (!bytes)
        return std::nullopt;
    std::optional<MailStoreState> state = MailJson::decodeCache(std::move(*bytes));
    // The file's bytes and the decoder's scratch, hundreds of megabytes for
    // a large mailbox, are free now; kept, they would stay with the process.
    returnFreeMemory();
    return state;
}

} // namespace

MailStore::MailStore(QString accountEmail, std::optional<QString> baseDirectory, WallClock clock,
                     std::optional<ReadAhead> readAhead)
    : m_accountEmail(std::move(accountEmail))
    , m_clock(std::move(clock))
{
    if (!isSafeFolderName(m_accountEmail)) {
        m_loaded.start();
        m_loaded.finish();
        return;
    }
    const QString base = baseDirectory.value_or(defaultBaseDirectory());
    m_folderPath = QDir(base).filePath(m_accountEmail);
    m_filePath = cacheFileIn(m_folderPath);
    // Failures are ignored: the store then works from memory and the next
    // write fails silently, as any other failed write.
    PrivateFile::makeFolder(m_folderPath);
    {
        const std::scoped_lock lock(s_openMutex);
        const auto [first, last] = s_open.equal_range(m_filePath.toStdString());
        // What another store wrote may be newer than what was read ahead.
        if (first != last && readAhead) {
            if (readAhead->gate)
                readAhead->gate->open();
            readAhead.reset();
        }
        for (auto it = first; it != last; ++it)
            it->second->flush();
        s_open.emplace(m_filePath.toStdString(), this);
    }
    load(std::move(readAhead));
    m_writer = std::make_unique<CacheWriter>(m_filePath, m_accountEmail, writeDelay(),
                                             [this]() -> std::optional<State> {
                                                 QMutexLocker lock(&m_mutex);
                                                 // The first-screen record must never be written as
                                                 // the cache.
                                                 waitLoadedLocked();
                                                 if (m_wiped)
                                                     return std::nullopt;
                                                 return m_state;
                                             });
    // Started once the writer exists: the cache may bring pending changes
    // to write.
    if (m_decoding.valid())
        m_loader = std::thread([this] {
            std::optional<State> decoded;
            try {
                decoded = m_decoding.get();
            } catch (...) {
                // A read that failed is a cache that could not be read.
            }
            finishLoading(std::move(decoded));
        });
}

MailStore::~MailStore()
{
    if (m_filePath.isEmpty())
        return;
    {
        const std::scoped_lock lock(s_openMutex);
        const auto [first, last] = s_open.equal_range(m_filePath.toStdString());
        for (auto it = first; it != last; ++it) {
            if (it->second == this) {
                s_open.erase(it);
                break;
            }
        }
    }
    // Writes what is pending before the state goes.
    m_writer.reset();
    loadNow();
    if (m_loader.joinable())
        m_loader.join();
}

std::chrono::milliseconds MailStore::writeDelay()
{
    return std::chrono::milliseconds(250);
}

void MailStore::flush()
{
    if (m_writer)
        m_writer->flush();
}

int MailStore::writeCount() const
{
    return m_writer ? m_writer->writeCount() : 0;
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

std::optional<MailStore::State> MailStore::readCache(const QString& accountEmail,
                                                     const std::optional<QString>& baseDirectory)
{
    const QString path = cacheFilePath(accountEmail, baseDirectory);
    if (path.isEmpty())
        return std::nullopt;
    return readCacheFile(path);
}

std::optional<MailStore::State>
MailStore::readFirstScreen(const QString& accountEmail, const std::optional<QString>& baseDirectory)
{
    const QString path = cacheFilePath(accountEmail, baseDirectory);
    if (path.isEmpty())
        return std::nullopt;
    return FirstScreen::read(FirstScreen::filePathBeside(path), accountEmail);
}

bool MailStore::isListedUnder(const MessageSummary& summary, const QString& labelId)
{
    // Messages in the trash or the spam are only listed there, as Gmail
    // lists them.
    if (!summary.hasLabel(labelId))
        return false;
    if (labelId == SystemLabels::trash() || labelId == SystemLabels::spam())
        return true;
    return !summary.hasLabel(SystemLabels::trash()) && !summary.hasLabel(SystemLabels::spam());
}

QString MailStore::cacheFilePath(const QString& accountEmail,
                                 const std::optional<QString>& baseDirectory)
{
    if (!isSafeFolderName(accountEmail))
        return {};
    const QString base = baseDirectory.value_or(defaultBaseDirectory());
    return cacheFileIn(QDir(base).filePath(accountEmail));
}

void MailStore::load(std::optional<ReadAhead> readAhead)
{
    m_loaded.start();
    if (readAhead && readAhead->state.valid() && readAhead->firstScreen) {
        // The window paints the record; the cache replaces it when decoded.
        m_state = std::move(*readAhead->firstScreen);
        m_isLoaded = false;
        m_decoding = std::move(readAhead->state);
        m_gate = std::move(readAhead->gate);
        return;
    }
    std::optional<State> decoded;
    if (readAhead && readAhead->state.valid()) {
        if (readAhead->gate)
            readAhead->gate->open();
        decoded = readAhead->state.get();
    } else
        decoded = readCacheFile(m_filePath);
    if (decoded)
        m_state = std::move(*decoded);
    m_loaded.finish();
}

void MailStore::finishLoading(std::optional<State> decoded)
{
    {
        QMutexLocker lock(&m_mutex);
        if (!m_wiped) {
            // The cache is the truth, the record only a picture of it: an
            // unreadable cache leaves the store empty, as without a record.
            m_state = decoded ? std::move(*decoded) : State{};
            if (!m_overlay.isEmpty()) {
                // Pending changes taken while the record stood in go on top
                // of the cache, as they would have at opening.
                QSet<QString> threads;
                for (const PendingChange& change : m_overlay.changes())
                    threads.unite(
                        QSet<QString>(change.threadIds.cbegin(), change.threadIds.cend()));
                relabelThreadsLocked(threads, [this](const MessageSummary& summary) {
                    return m_overlay.appliedTo(summary.threadId(), summary.labelIds());
                });
            }
        }
        m_isLoaded = true;
        m_loadedCondition.wakeAll();
    }
    m_loaded.finish();
}

void MailStore::loadNow() const
{
    if (m_gate)
        m_gate->open();
}

void MailStore::waitLoadedLocked() const
{
    if (!m_isLoaded)
        loadNow();
    while (!m_isLoaded && !m_wiped)
        m_loadedCondition.wait(&m_mutex);
}

bool MailStore::isLoaded() const
{
    QMutexLocker lock(&m_mutex);
    return m_isLoaded;
}

MailStore::State MailStore::snapshot() const
{
    QMutexLocker lock(&m_mutex);
    return m_state;
}

qsizetype MailStore::summaryCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_state.summaries.size();
}

QList<MessageSummary> MailStore::summaries(const QString& labelId) const
{
    // Filtered and sorted outside the lock, from a copy that shares the
    // table: with a hundred thousand summaries that takes tens of
    // milliseconds, which a writer on the GUI thread must not wait out.
    QList<MessageSummary> matching;
    {
        SummaryTable all;
        {
            QMutexLocker lock(&m_mutex);
            all = m_state.summaries;
        }
        for (const MessageSummary& summary : std::as_const(all)) {
            if (isListedUnder(summary, labelId))
                matching.append(summary);
        }
    } // The shared table goes before sorting: a change meanwhile copies it.
    // Sorting (date, index) pairs compares within one flat array instead of
    // reaching into each summary's block; the index keeps equal dates stable.
    std::vector<std::pair<qint64, qsizetype>> order;
    order.reserve(size_t(matching.size()));
    for (qsizetype i = 0; i < matching.size(); ++i)
        order.emplace_back(matching.at(i).internalDateMs(), i);
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    QList<MessageSummary> result;
    result.reserve(matching.size());
    for (const auto& entry : order)
        result.append(std::move(matching[entry.second]));
    return result;
}

void MailStore::setHistoryId(const QString& historyId)
{
    QMutexLocker lock(&m_mutex);
    waitLoadedLocked();
    if (m_wiped)
        return;
    m_state.historyId = historyId;
    m_state.lastSync = m_clock();
    changedLocked();
}

void MailStore::setLabels(const QList<LabelInfo>& labels)
{
    QMutexLocker lock(&m_mutex);
    waitLoadedLocked();
    if (m_wiped)
        return;
    m_state.labels = labels;
    changedLocked();
}

void MailStore::markLabelLoaded(const QString& labelId)
{
    QMutexLocker lock(&m_mutex);
    waitLoadedLocked();
    if (m_wiped)
        return;
    m_state.loadedLabels.insert(labelId);
    changedLocked();
}

LabelPages MailStore::labelPages(const QString& labelId) const
{
    QMutexLocker lock(&m_mutex);
    if (const auto found = m_state.labelPages.constFind(labelId);
        found != m_state.labelPages.constEnd())
        return *found;
    return LabelPages{m_state.loadedLabels.contains(labelId) ? 1 : 0, QString(), false};
}

void MailStore::setLabelPages(const QString& labelId, const LabelPages& pages)
{
    QMutexLocker lock(&m_mutex);
    waitLoadedLocked();
    if (m_wiped)
        return;
    m_state.loadedLabels.insert(labelId);
    m_state.labelPages.insert(labelId, pages);
    changedLocked();
}

void MailStore::upsert(const QList<MessageSummary>& summaries)
{
    QMutexLocker lock(&m_mutex);
    waitLoadedLocked();
    if (m_wiped)
        return;
    if (m_overlay.isEmpty()) {
        for (const MessageSummary& summary : summaries)
            m_state.summaries.insert(summary);
    } else {
        for (const MessageSummary& summary : summaries)
            m_state.summaries.insert(m_overlay.applied(summary));
    }
    m_state.lastSync = m_clock();
    changedLocked();
}

QList<MessageSummary> MailStore::threadMessages(const QStringList& threadIds) const
{
    SummaryTable all;
    {
        QMutexLocker lock(&m_mutex);
        waitLoadedLocked();
        all = m_state.summaries;
    }
    const QSet<QString> wanted(threadIds.cbegin(), threadIds.cend());
    QList<MessageSummary> messages;
    for (const MessageSummary& summary : std::as_const(all)) {
        if (wanted.contains(summary.threadId()))
            messages.append(summary);
    }
    return messages;
}

void MailStore::relabelThreadsLocked(
    const QSet<QString>& threadIds, const std::function<QStringList(const MessageSummary&)>& change)
{
    QList<MessageSummary> changed;
    for (const MessageSummary& summary : std::as_const(m_state.summaries)) {
        if (!threadIds.contains(summary.threadId()))
            continue;
        QStringList labels = change(summary);
        if (labels == summary.labelIds())
            continue;
        MessageSummary relabelled = summary;
        relabelled.setLabelIds(std::move(labels));
        changed.append(relabelled);
    }
    for (const MessageSummary& summary : std::as_const(changed))
        m_state.summaries.insert(summary);
    if (!changed.isEmpty())
        changedLocked();
}

void MailStore::addPendingChanges(const QList<PendingChange>& changes)
{
    QMutexLocker lock(&m_mutex);
    if (m_wiped || changes.isEmpty())
        return;
    // One pass over the cache for all of them: at start the journal may
    // hold many, and the cache a hundred thousand summaries.
    QSet<QString> threads;
    for (const PendingChange& change : changes) {
        m_overlay.add(change);
        for (const QString& threadId : change.threadIds)
            threads.insert(threadId);
    }
    relabelThreadsLocked(threads, [this](const MessageSummary& summary) {
        return m_overlay.appliedTo(summary.threadId(), summary.labelIds());
    });
}

void MailStore::markChangeSent(quint64 changeId)
{
    QMutexLocker lock(&m_mutex);
    m_overlay.markSent(changeId);
}

void MailStore::dropPendingChange(quint64 changeId, bool undo)
{
    QMutexLocker lock(&m_mutex);
    // Its undoing guesses labels from the cached messages: all of them.
    if (undo)
        waitLoadedLocked();
    const QList<PendingChange> changes = m_overlay.changes();
    m_overlay.drop(changeId);
    if (!undo || m_wiped)
        return;
    for (const PendingChange& change : changes) {
        if (change.id != changeId)
            continue;
        const PendingChange inverse = change.reversed();
        const QSet<QString> threads(change.threadIds.cbegin(), change.threadIds.cend());
        relabelThreadsLocked(threads, [&](const MessageSummary& summary) {
            // The changes still on top win over the guess.
            return m_overlay.appliedTo(summary.threadId(), inverse.appliedTo(summary.labelIds()));
        });
    }
}

quint64 MailStore::pendingStamp() const
{
    QMutexLocker lock(&m_mutex);
    return m_overlay.stamp();
}

void MailStore::settlePendingChanges(quint64 stamp)
{
    QMutexLocker lock(&m_mutex);
    m_overlay.settle(stamp);
}

QList<PendingChange> MailStore::pendingChanges() const
{
    QMutexLocker lock(&m_mutex);
    return m_overlay.changes();
}

void MailStore::removeMessages(const QStringList& ids)
{
    QMutexLocker lock(&m_mutex);
    waitLoadedLocked();
    if (m_wiped)
        return;
    for (const QString& id : ids)
        m_state.summaries.remove(id);
    changedLocked();
}

void MailStore::wipe()
{
    {
        QMutexLocker lock(&m_mutex);
        m_wiped = true;
        m_state = State{};
        // Nothing waits for a cache that no longer matters.
        m_loadedCondition.wakeAll();
    }
    // Outside the lock: a write in progress may be waiting for it to take
    // its snapshot, and removeFile() waits for that write to end.
    if (m_writer)
        m_writer->removeFile();
}

void MailStore::changedLocked()
{
    if (m_writer)
        m_writer->markChanged();
}

} // namespace vesk
