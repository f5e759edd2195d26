#pragma once

#include "model/FullMessage.h"

#include <QCoroTask>
#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QAction;
class QLabel;
class QScrollArea;
class QStackedLayout;
class QToolBar;
class QVBoxLayout;

namespace vesk {

class AccountSession;
class AppState;
class MessageCard;
class MessageWebProfile;
class ReaderPlaceholder;
class ReaderSelectionView;
class StatusNotice;

/// The reading column: the open conversation of the selected account, its
/// subject over one card per message in a column that scrolls as one, and a
/// toolbar to reply, reply to all, forward, star, mark as spam (or not) or
/// trash it, or move it back to the inbox from the trash or the spam; the
/// placeholder when no conversation is open; the actions on all of them
/// when several are selected.
///
/// Holds no copy of the conversation: cards are built from the session's
/// open messages and rebuilt only when the thread or its messages change,
/// so that a card's own state survives unrelated updates. GUI thread only.
class ReaderPane final : public QWidget
{
    Q_OBJECT

public:
    explicit ReaderPane(AppState& state, QWidget* parent = nullptr);
    ~ReaderPane() override;

    bool showsPlaceholder() const;
    /// Several conversations are selected: the column offers their actions.
    bool showsSelection() const;
    ReaderSelectionView* selectionView() const { return m_selection; }
    QLabel* title() const { return m_title; }
    QToolBar* toolbar() const { return m_toolbar; }
    QScrollArea* scrollArea() const { return m_scroll; }
    /// The loading state or the error of a conversation being opened.
    StatusNotice* notice() const { return m_notice; }
    /// The cards built so far: a long conversation is built over several
    /// turns of the event loop, top first.
    const QList<MessageCard*>& cards() const { return m_cards; }
    QAction* replyAction() const { return m_reply; }
    QAction* replyAllAction() const { return m_replyAll; }
    QAction* forwardAction() const { return m_forward; }
    QAction* trashAction() const { return m_trash; }
    QAction* archiveAction() const { return m_archive; }
    QAction* starAction() const { return m_star; }
    QAction* spamAction() const { return m_spam; }
    QAction* inboxAction() const { return m_inbox; }

private:
    void buildToolbar();
    void addPlaceActions();
    /// The star, spam and inbox actions as fit the open conversation.
    void updatePlaceActions();
    /// Acts on the open conversation, if one is.
    void actOnOpen(QCoro::Task<> (AppState::*action)(QStringList));
    void followSelectedSession();
    void refresh();
    void rebuildCards(AccountSession* session);
    /// While the thread is fetched, or after it failed, the column says so
    /// in place of the cards.
    void showOpeningState(const AccountSession& session);
    /// Adds cards for the messages still without one, for as long as the
    /// frame's budget lasts, and comes back for the rest.
    void buildPendingCards();
    /// Lets the web views of bodies far out of sight go: each holds tens of
    /// megabytes of pictures of its page.
    void releaseFarBodies();
    void openLink(const QUrl& url);

    AppState& m_state;
    QPointer<AccountSession> m_session;
    QMetaObject::Connection m_sessionConnection;
    QStackedLayout* m_stack;
    ReaderPlaceholder* m_placeholder;
    ReaderSelectionView* m_selection;
    QWidget* m_column;
    QToolBar* m_toolbar;
    QScrollArea* m_scroll;
    StatusNotice* m_notice;
    QVBoxLayout* m_cardLayout;
    QLabel* m_title;
    QAction* m_reply = nullptr;
    QAction* m_replyAll = nullptr;
    QAction* m_forward = nullptr;
    QAction* m_trash = nullptr;
    QAction* m_archive = nullptr;
    QAction* m_star = nullptr;
    QAction* m_spam = nullptr;
    QAction* m_inbox = nullptr;
    QList<MessageCard*> m_cards;
    /// Tells a batch of cards queued for a conversation since rebuilt.
    quint64 m_cardsGeneration = 0;
    /// Shared by the cards' web pages, which must all go before it.
    MessageWebProfile* m_web;
    /// What the cards show: the thread and its message ids, in order.
    QString m_shownThreadId;
    QStringList m_shownMessageIds;
};

} // namespace vesk
