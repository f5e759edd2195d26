#pragma once

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <optional>

namespace vesk {

/// What a composer knows of its Gmail draft: its id, whether a save is in
/// flight, and whether the message is done with (sent or discarded).
///
/// Shared (std::shared_ptr) between the composer and its save, send and
/// discard tasks, so that a save still in flight when the composer goes
/// away can hand the id of the draft it created to the send or discard
/// waiting to delete it. GUI thread only.
class ComposerDraft final : public QObject
{
    Q_OBJECT

public:
    const std::optional<QString>& id() const { return m_id; }
    void setId(std::optional<QString> id) { m_id = std::move(id); }
    /// The message holding the version of the draft this composer last saved
    /// or read. Gmail makes a new message at every save, so another one at
    /// Gmail means the draft was changed elsewhere. None: not known, and
    /// the next save overwrites whatever Gmail holds.
    const std::optional<QString>& messageId() const { return m_messageId; }
    void setMessageId(std::optional<QString> id) { m_messageId = std::move(id); }

    bool isClosed() const { return m_closed; }
    /// The message has been sent or discarded: no save starts any more.
    void close() { m_closed = true; }
    /// A send that did not go: the person goes on writing, and saving.
    void reopen() { m_closed = false; }

    /// Takes the one save slot. False when a save is in flight; that save
    /// then runs once more before it ends.
    bool beginSave();
    /// Whether a save was asked for since the last call, clearing the request.
    bool takeSaveRequest();
    void endSave();

    /// Resumes once no save is in flight (at once when none is).
    QCoro::Task<> settled();

Q_SIGNALS:
    void saveEnded();

private:
    std::optional<QString> m_id;
    std::optional<QString> m_messageId;
    bool m_saving = false;
    bool m_saveRequested = false;
    bool m_closed = false;
};

} // namespace vesk
