#pragma once

#include "PendingChange.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace vesk {

/// One account's changes that Gmail has not taken yet, in the order they
/// were made, mirrored to "journal.json" beside the account's cache so that
/// they survive a restart and are sent then.
///
/// Every change is on disk before record() returns: the file is replaced
/// whole (see PrivateFile), so a crash loses at most the change being
/// recorded. A file that does not decode (damaged, or not ours) is renamed
/// aside at open, never read in part: damagedFile() names where it went.
///
/// Not thread-safe; the account session uses it on the GUI thread. With an
/// empty path it keeps its changes in memory only.
class ChangeJournal final
{
public:
    /// Larger files are not read: no journal of a person's changes grows so.
    static constexpr qint64 maxFileSize = 16 * 1024 * 1024;

    explicit ChangeJournal(QString filePath);

    /// "journal.json" in the folder of the cache at `cacheFilePath`; empty
    /// for an empty path.
    static QString pathBesideCache(const QString& cacheFilePath);

    const QString& filePath() const { return m_filePath; }
    /// Oldest first.
    const QList<PendingChange>& changes() const { return m_changes; }
    bool isEmpty() const { return m_changes.isEmpty(); }
    /// Where a file that did not decode was moved at open; none when the
    /// file was sound or missing.
    const std::optional<QString>& damagedFile() const { return m_damagedFile; }

    /// Gives the change its id and time, keeps it and writes the file;
    /// returns the change as kept. False in `written` when the file could
    /// not be written: the change is then kept in memory only.
    PendingChange record(PendingChange change, bool* written = nullptr);
    /// Forgets the change (sent, or given up) and writes the file.
    void remove(quint64 changeId);
    /// Forgets everything and deletes the file, when the account goes.
    void wipe();

    static QByteArray encode(const QList<PendingChange>& changes, quint64 nextId);
    /// Every change and the next id, or none when `bytes` is not a journal
    /// through and through.
    struct Decoded
    {
        QList<PendingChange> changes;
        quint64 nextId = 1;
    };
    static std::optional<Decoded> decode(const QByteArray& bytes);

private:
    void load();
    bool save() const;

    const QString m_filePath;
    QList<PendingChange> m_changes;
    quint64 m_nextId = 1;
    std::optional<QString> m_damagedFile;
};

} // namespace vesk
