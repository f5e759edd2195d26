#pragma once

#include "FullMessage.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace vesk {

/// The full messages of the conversations one account opened lately, kept on
/// disk so that they open again without a connection: one file per
/// conversation in "<base>/<email>/threads/", the newest kept within a limit
/// on their total size. Attachments are listed, their bytes never kept.
///
/// A Google thread id made only of [A-Za-z0-9_-], at most 64 characters
/// long, is its file's name; any other id is hashed into a name that no such
/// id can take, and every file names its conversation inside, so that a file
/// is only ever read back for its own id. A file that is not a regular file
/// of ours, does not decode, names another conversation or outgrows the
/// limit counts as absent and is removed when met. The folder is private
/// (0700), the files 0600, each replaced whole.
///
/// Owned by the account session; used from the GUI thread only. The files'
/// sizes and ages are listed once, at the first use, and kept up to date
/// from then on. After wipe() nothing is read or kept any more.
class OfflineThreads final
{
public:
    /// Bigger single files are not read: no conversation is that large.
    static constexpr qint64 largestFile = qint64(256) * 1024 * 1024;

    OfflineThreads(const QString& accountEmail, const std::optional<QString>& baseDirectory,
                   qint64 limitBytes);
    ~OfflineThreads();
    OfflineThreads(const OfflineThreads&) = delete;
    OfflineThreads& operator=(const OfflineThreads&) = delete;

    /// The folder of an account's conversations; empty for an email that
    /// cannot name a folder (see MailStore::isSafeFolderName).
    static QString folderPath(const QString& accountEmail,
                              const std::optional<QString>& baseDirectory);
    /// The file name a conversation is kept under.
    static QString fileName(const QString& threadId);

    /// The kept messages of the conversation, which counts as the newest from
    /// now on; none when not kept (or not readable).
    std::optional<QList<FullMessage>> load(const QString& threadId);
    /// Keeps the messages as the conversation's newest, then lets the oldest
    /// go until the rest fits the limit. A conversation larger than the
    /// limit on its own is not kept at all.
    void save(const QString& threadId, const QList<FullMessage>& messages);

    qint64 limit() const { return m_limit; }
    /// Lets the oldest go until the rest fits the new limit.
    void setLimit(qint64 bytes);
    /// What the kept conversations take on disk.
    qint64 storedBytes();

    /// Deletes every kept conversation and the folder, for good: the
    /// account is being removed, and a fetch still in flight must not bring
    /// a file back.
    void wipe();

private:
    struct Entry
    {
        qint64 size = 0;
        qint64 stamp = 0; // milliseconds; larger is newer
    };

    void scanOnce();
    QString pathOf(const QString& name) const;
    void forget(const QString& name);
    void trim();
    qint64 nextStamp();
    void stampFile(const QString& name, qint64 stamp);

    const QString m_folder; // empty: nothing is kept
    qint64 m_limit;
    bool m_scanned = false;
    bool m_wiped = false;
    QHash<QString, Entry> m_entries;
    qint64 m_total = 0;
    qint64 m_lastStamp = 0;
};

} // namespace vesk
