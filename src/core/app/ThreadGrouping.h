#pragma once

#include "model/ThreadSummary.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <memory>

namespace vesk {

class AccountSession;
class MailStore;

/// A label's summaries of one session grouped into conversations, kept until
/// the session, its revision or the label changes, since the thread list
/// reads them on every change.
///
/// A cache of more than backgroundFrom() summaries is grouped on a worker
/// thread (a hundred thousand take a tenth of a second): until grouped()
/// announces the result, threads() keeps the label's previous threads, or
/// is empty after a switch to another label or session. Lives on the GUI
/// thread.
class ThreadGrouping final : public QObject
{
    Q_OBJECT

public:
    explicit ThreadGrouping(QObject* parent = nullptr);
    ~ThreadGrouping() override;

    static qsizetype backgroundFrom() { return 5000; }

    /// The threads of `labelId` in `session`'s cache; empty without a session.
    const QList<ThreadSummary>& threads(const AccountSession* session, const QString& labelId);
    /// Forgets what was grouped: a grouping still running for it never lands.
    void reset();
    /// The threads last asked for are being grouped on the worker: threads()
    /// still has the ones before.
    bool isGrouping() const { return m_grouping; }

Q_SIGNALS:
    /// A grouping on the worker ended: threads() has its result.
    void grouped();

private:
    void groupInBackground(std::shared_ptr<MailStore> store, QString labelId);

    const AccountSession* m_session = nullptr;
    int m_revision = -1;
    QString m_labelId;
    QList<ThreadSummary> m_threads;
    quint64 m_generation = 0; // of the grouping whose result is wanted
    bool m_grouping = false;
    // Its own thread, so that grouping can run below the GUI thread without
    // slowing other work of the shared pool.
    QThreadPool m_pool;
};

} // namespace vesk
