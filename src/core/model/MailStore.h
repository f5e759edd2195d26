#pragma once

#include "LabelInfo.h"
#include "LabelPages.h"
#include "MailStoreState.h"
#include "MessageSummary.h"
#include "PendingOverlay.h"
#include "StartGate.h"
#include "platform/WallClock.h"

#include <QFuture>
#include <QList>
#include <QMutex>
#include <QPromise>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QWaitCondition>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <thread>

namespace vesk {

class CacheWriter;

/// One account's cache of list-level mail: summaries, labels, the history id
/// of the next incremental sync and the labels already loaded, mirrored to
/// "<base>/<email>/cache.json".
///
/// Shared by the account session and the sync engine (hold it in a
/// std::shared_ptr). Any thread may call any operation: each one holds the
/// store's mutex for its whole run, so operations never overlap. Nothing is
/// reported to callers; the in-memory state is the authority while the
/// program runs. After wipe() the store stays empty.
///
/// The file is written by the store's own writer thread, not by the caller:
/// encoding a cache of a hundred thousand summaries takes longer than a
/// frame, and the sync engine changes the store on the GUI thread. Changes
/// that follow each other within writeDelay() go out as one write of the
/// newest state; the file is replaced atomically, so it always holds one
/// complete state, never older than the last change by much more than
/// writeDelay() plus the time one write takes. flush() and the destructor
/// write what is pending before they return; a new store of the same file
/// first waits for the pending writes of any other store of it.
///
/// Opened with a cache still being decoded and a first-screen record (see
/// FirstScreen and CachePreload), the store holds the record's state until
/// the cache is in, so that the window can paint at once; loaded() tells
/// when the cache has replaced it. Meanwhile snapshot(), summaries() and
/// labelPages() answer from the record; changes to the pending overlay are
/// kept and applied to the cache when it arrives; every other change, and
/// threadMessages(), waits for the cache (callers on the GUI thread should
/// await loaded() first), and nothing is written before it is in.
///
/// The cache holds the user's mail, so the account folder is made private
/// (0700) and the file is written 0600. An email that could name a path
/// outside the base folder ("/", NUL, ".", "..", or empty) gets a store that
/// keeps its state in memory only.
class MailStore final
{
public:
    using State = MailStoreState;

    /// An account's cache file as read before its store opened, or being
    /// read on another thread: the state it held, or none when it was
    /// missing or unreadable.
    struct ReadAhead
    {
        std::future<std::optional<State>> state;
        /// The account's first-screen record, shown until `state` is ready.
        std::optional<State> firstScreen;
        /// What holds the read of `state` back, when it waits for the
        /// window's first frame; see loadNow().
        std::shared_ptr<StartGate> gate = nullptr;
    };

    /// `baseDirectory` defaults to defaultBaseDirectory(). With `readAhead`
    /// the file is not read again, unless another store of it was open.
    explicit MailStore(QString accountEmail, std::optional<QString> baseDirectory = std::nullopt,
                       WallClock clock = systemWallClock(),
                       std::optional<ReadAhead> readAhead = std::nullopt);
    ~MailStore();

    MailStore(const MailStore&) = delete;
    MailStore& operator=(const MailStore&) = delete;

    /// The per-user data folder + "/Vesk" (~/.local/share/Vesk).
    static QString defaultBaseDirectory();
    /// Reads and decodes the account's cache file as opening its store
    /// would; any thread. None when it is missing or unreadable.
    static std::optional<State> readCache(const QString& accountEmail,
                                          const std::optional<QString>& baseDirectory);
    /// The account's first-screen record; none when missing, unreadable, or
    /// not of this account.
    static std::optional<State> readFirstScreen(const QString& accountEmail,
                                                const std::optional<QString>& baseDirectory);
    /// The account's cache file, where its store would keep it; empty for
    /// an email that gets a memory-only store.
    static QString cacheFilePath(const QString& accountEmail,
                                 const std::optional<QString>& baseDirectory);
    /// Whether an email may be used verbatim as a folder name under the base.
    static bool isSafeFolderName(const QString& email);
    /// Whether summaries(labelId) lists the message.
    static bool isListedUnder(const MessageSummary& summary, const QString& labelId);

    /// Finished once the whole cache is in the store: at once, unless it
    /// opened on a first-screen record. Any thread.
    QFuture<void> loaded() const { return m_loaded.future(); }
    bool isLoaded() const;

    const QString& accountEmail() const { return m_accountEmail; }
    /// The cache file; empty for a memory-only store.
    const QString& filePath() const { return m_filePath; }

    /// Until loaded(), the first-screen record's state.
    State snapshot() const;
    /// How many summaries are cached (until loaded(), in the record).
    qsizetype summaryCount() const;
    /// Cached summaries carrying `labelId`, newest first. Messages in the
    /// trash or the spam are only listed there, as Gmail lists them.
    QList<MessageSummary> summaries(const QString& labelId) const;
    /// The cached messages of these conversations, in one pass over the
    /// cache however many they are (an action may take hundreds).
    QList<MessageSummary> threadMessages(const QStringList& threadIds) const;

    /// Also stamps lastSync.
    void setHistoryId(const QString& historyId);
    void setLabels(const QList<LabelInfo>& labels);
    void markLabelLoaded(const QString& labelId);
    /// How far the label's list has been loaded: depth 1 for a label loaded
    /// without a record of its pages, 0 for one never loaded.
    LabelPages labelPages(const QString& labelId) const;
    /// Also marks the label loaded.
    void setLabelPages(const QString& labelId, const LabelPages& pages);
    /// Replaces summaries with the same id wholesale, with the pending
    /// changes to their threads on top; the later of two equal ids wins.
    /// Also stamps lastSync, even for an empty list.
    void upsert(const QList<MessageSummary>& summaries);

    // Changes the person made that Google has not confirmed (see
    // PendingOverlay). Kept in memory only: the journal keeps them on disk.

    /// Applies the changes to the cached messages of their threads at once,
    /// and to every summary that upsert() brings until they are settled or
    /// dropped.
    void addPendingChanges(const QList<PendingChange>& changes);
    void markChangeSent(quint64 changeId);
    /// Takes the change off; with `undo`, its messages lose what it added and
    /// get back what it removed, as the best guess until Google says.
    void dropPendingChange(quint64 changeId, bool undo);
    /// Read when a synchronisation begins, passed to settlePendingChanges()
    /// when it has finished well.
    quint64 pendingStamp() const;
    void settlePendingChanges(quint64 stamp);
    QList<PendingChange> pendingChanges() const;
    void removeMessages(const QStringList& ids);
    /// Back to the initial state for good, when the account is removed:
    /// deletes the cache file (not its folder), and every later change is
    /// ignored, so that sync work still in flight for the account can bring
    /// back neither its mail nor its file.
    void wipe();

    /// Lets a cache read held back for the window's first frame start now.
    /// Anything that must wait for the whole cache does this itself.
    void loadNow() const;

    /// Returns once the state as it is now is on disk (or its write failed).
    void flush();
    /// Cache files written so far by this store, to see how changes coalesce.
    int writeCount() const;
    /// How long the writer waits after a change for more changes.
    static std::chrono::milliseconds writeDelay();

private:
    void load(std::optional<ReadAhead> readAhead);
    /// Takes the decoded cache in place of the first-screen record; on the
    /// loader thread.
    void finishLoading(std::optional<State> decoded);
    /// Waits, holding m_mutex, until the cache is in or the store is wiped.
    void waitLoadedLocked() const;
    void changedLocked();
    void relabelThreadsLocked(const QSet<QString>& threadIds,
                              const std::function<QStringList(const MessageSummary&)>& change);

    const QString m_accountEmail;
    QString m_folderPath;
    QString m_filePath;
    const WallClock m_clock;
    mutable QMutex m_mutex;
    mutable QWaitCondition m_loadedCondition;
    bool m_isLoaded = true;
    QPromise<void> m_loaded;
    State m_state;
    PendingOverlay m_overlay;
    bool m_wiped = false;
    std::unique_ptr<CacheWriter> m_writer; // absent for a memory-only store
    /// The cache read ahead, while the first-screen record stands in for it.
    std::future<std::optional<State>> m_decoding;
    std::shared_ptr<StartGate> m_gate; // null once nothing holds the read back
    std::thread m_loader;              // takes m_decoding in
};

} // namespace vesk
