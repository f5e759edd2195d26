#include "ui/reader/ReaderPane.h"

#include "app/AppState.h"
#include "compose/MailtoAddress.h"
#include "model/ThreadFacts.h"
#include "platform/BrowserOpening.h"
#include "sync/AccountSession.h"
#include "ui/reader/MessageCard.h"
#include "ui/reader/ReaderPlaceholder.h"
#include "ui/reader/ReaderSelectionView.h"
#include "ui/reader/web/HtmlMessageView.h"
#include "ui/reader/web/MessageWebProfile.h"
#include "ui/reader/web/PacedQueue.h"
#include "ui/style/Brand.h"
#include "ui/style/Icons.h"
#include "ui/widgets/ErrorText.h"
#include "ui/widgets/FireAndForget.h"
#include "ui/widgets/StatusNotice.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedLayout>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace vesk {

namespace {

// A card takes about a millisecond to make (fonts, style sheets), and its
// layout and first paint follow in the same turn: a long conversation made
// at once would hold the window for tens of milliseconds.
constexpr qint64 s_cardBudgetMs = 4;

QStringList idsOf(const QList<FullMessage>& messages)
{
    QStringList ids;
    ids.reserve(messages.size());
    for (const FullMessage& message : messages)
        ids.append(message.id);
    return ids;
}

} // namespace

ReaderPane::ReaderPane(AppState& state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_stack(new QStackedLayout(this))
    , m_placeholder(new ReaderPlaceholder(this))
    , m_selection(new ReaderSelectionView(state, this))
    , m_column(new QWidget(this))
    , m_toolbar(new QToolBar(m_column))
    , m_scroll(new QScrollArea(m_column))
    , m_notice(new StatusNotice(m_column))
    , m_cardLayout(nullptr)
    , m_title(nullptr)
    , m_web(new MessageWebProfile(this))
{
    buildToolbar();

    auto* content = new QWidget(m_scroll);
    content->setAutoFillBackground(false);
    m_cardLayout = new QVBoxLayout(content);
    m_cardLayout->setContentsMargins(18, 18, 18, 18);
    m_cardLayout->setSpacing(14);
    m_title = new QLabel(content);
    m_title->setObjectName(QStringLiteral("threadTitle"));
    m_title->setTextFormat(Qt::PlainText);
    m_title->setWordWrap(true);
    m_title->setContentsMargins(0, 0, 0, 2);
    Brand::setText(m_title, Brand::sora(19, QFont::Bold), Brand::foreground);
    m_cardLayout->addWidget(m_title);
    m_cardLayout->addStretch(1);

    m_scroll->setWidget(content);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->viewport()->setAutoFillBackground(false);
    connect(m_scroll->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &ReaderPane::releaseFarBodies);

    auto* column = new QVBoxLayout(m_column);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_toolbar);
    column->addWidget(m_notice, 1);
    column->addWidget(m_scroll, 1);
    connect(m_notice, &StatusNotice::retryClicked, &m_state, &AppState::reopenThread);

    m_stack->addWidget(m_placeholder);
    m_stack->addWidget(m_column);
    m_stack->addWidget(m_selection);

    connect(&m_state, &AppState::selectionChanged, this, &ReaderPane::followSelectedSession);
    connect(&m_state, &AppState::sessionsChanged, this, &ReaderPane::followSelectedSession);
    connect(&m_state, &AppState::threadsChanged, this, &ReaderPane::updatePlaceActions);
    followSelectedSession();
}

bool ReaderPane::showsPlaceholder() const
{
    return m_stack->currentWidget() == m_placeholder;
}

bool ReaderPane::showsSelection() const
{
    return m_stack->currentWidget() == m_selection;
}

void ReaderPane::buildToolbar()
{
    m_toolbar->setObjectName(QStringLiteral("readerToolbar"));
    m_toolbar->setAccessibleName(tr("Ações da conversa"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toolbar->setIconSize(QSize(16, 16));
    m_toolbar->setFont(Brand::inter(12, QFont::Medium));
    m_toolbar->setStyleSheet(Brand::toolbarStyleSheet(Qt::transparent));

    const auto add = [this](const QString& text, Symbol symbol) {
        return m_toolbar->addAction(Icons::icon(symbol), text);
    };
    m_reply = add(tr("Responder"), Symbol::Reply);
    m_replyAll = add(tr("Responder a todos"), Symbol::ReplyAll);
    m_forward = add(tr("Reencaminhar"), Symbol::Forward);
    m_trash = add(tr("Lixeira"), Symbol::Trash);
    // The keys of the mail clients people know, wherever the keyboard is in
    // the reader (a message's web view included).
    for (const auto& [action, key] :
         {std::pair{m_reply, Qt::Key_R}, std::pair{m_replyAll, Qt::Key_A},
          std::pair{m_forward, Qt::Key_F}}) {
        action->setShortcut(QKeySequence(key));
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    connect(m_reply, &QAction::triggered, this, [this] { m_state.reply(false); });
    connect(m_replyAll, &QAction::triggered, this, [this] { m_state.reply(true); });
    connect(m_forward, &QAction::triggered, this, [this] { fireAndForget(m_state.forward()); });
    connect(m_trash, &QAction::triggered, this, [this] { actOnOpen(&AppState::trash); });
    addPlaceActions();
    // A toolbar's buttons take no focus of their own; these are the reader's
    // only controls, so Tab must reach them.
    for (QAction* action : m_toolbar->actions()) {
        if (QWidget* button = m_toolbar->widgetForAction(action))
            button->setFocusPolicy(Qt::TabFocus);
    }
}

void ReaderPane::addPlaceActions()
{
    // Symbols alone, named by their tooltips: the column is narrow.
    const auto add = [this](Symbol symbol) {
        QAction* action = m_toolbar->addAction(Icons::icon(symbol), QString());
        if (auto* button = qobject_cast<QToolButton*>(m_toolbar->widgetForAction(action)))
            button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        return action;
    };
    // Archiving is the list's E and its menu; here it is a button too, so a
    // screen reader finds it next to the conversation it acts on.
    m_archive = add(Symbol::Archive);
    m_archive->setText(tr("Arquivar"));
    m_star = add(Symbol::Starred);
    m_spam = add(Symbol::Spam);
    m_inbox = add(Symbol::Inbox);
    connect(m_archive, &QAction::triggered, this, [this] { actOnOpen(&AppState::archive); });
    connect(m_star, &QAction::triggered, this, [this] {
        if (m_session && !m_session->openThreadId().isEmpty())
            fireAndForget(m_state.setStarred(QStringList(m_session->openThreadId()),
                                             m_star->data().toBool()));
    });
    connect(m_spam, &QAction::triggered, this, [this] {
        if (m_session && !m_session->openThreadId().isEmpty())
            fireAndForget(
                m_state.setSpam(QStringList(m_session->openThreadId()), m_spam->data().toBool()));
    });
    connect(m_inbox, &QAction::triggered, this, [this] { actOnOpen(&AppState::moveToInbox); });
    updatePlaceActions();
}

void ReaderPane::actOnOpen(QCoro::Task<> (AppState::*action)(QStringList))
{
    if (m_session && !m_session->openThreadId().isEmpty())
        fireAndForget((m_state.*action)(QStringList(m_session->openThreadId())));
}

void ReaderPane::updatePlaceActions()
{
    const QString open =
        m_session ? m_state.listedThreadId(m_session->id(), m_session->openThreadId()) : QString();
    QList<ThreadSummary> thread;
    // This runs after each sync, and the list may hold every account's
    // hundreds of thousands: without an open thread it is not walked.
    if (!open.isEmpty()) {
        for (const ThreadSummary& visible : m_state.visibleThreads()) {
            if (visible.threadId == open) {
                thread.append(visible);
                break;
            }
        }
    }
    const ThreadFacts facts = ThreadFacts::of(thread);
    // What each action does when triggered rides in its data.
    m_star->setText(facts.allStarred ? tr("Remover estrela") : tr("Marcar com estrela"));
    m_star->setIcon(Icons::icon(facts.allStarred ? Symbol::StarredFilled : Symbol::Starred));
    m_star->setData(!facts.allStarred);
    m_spam->setText(facts.inSpam ? tr("Não é spam") : tr("Marcar como spam"));
    m_spam->setData(!facts.inSpam);
    m_spam->setVisible(!facts.inTrash || facts.inSpam);
    m_inbox->setText(tr("Mover para a caixa de entrada"));
    m_inbox->setVisible(facts.inTrash || facts.inSpam);
    m_trash->setVisible(!facts.inTrash);
    // As the list's menu: out of the trash or the spam, the way back is the inbox.
    m_archive->setVisible(!facts.inTrash && !facts.inSpam);
}

void ReaderPane::followSelectedSession()
{
    AccountSession* session = m_state.selectedSession();
    if (session != m_session) {
        disconnect(m_sessionConnection);
        m_session = session;
        if (session) {
            m_sessionConnection =
                connect(session, &AccountSession::openThreadChanged, this, &ReaderPane::refresh);
        }
    }
    refresh();
}

void ReaderPane::refresh()
{
    if (m_state.selectedThreadIds().size() > 1) {
        m_stack->setCurrentWidget(m_selection);
        rebuildCards(nullptr);
        return;
    }
    updatePlaceActions();
    AccountSession* session = m_session;
    if (!session || session->openThreadId().isEmpty()) {
        m_stack->setCurrentWidget(m_placeholder);
        rebuildCards(nullptr);
        return;
    }
    m_stack->setCurrentWidget(m_column);
    const QList<FullMessage>& messages = session->openThreadMessages();
    m_toolbar->setVisible(!messages.isEmpty());
    showOpeningState(*session);
    if (session->openThreadId() != m_shownThreadId || idsOf(messages) != m_shownMessageIds)
        rebuildCards(session);
}

void ReaderPane::showOpeningState(const AccountSession& session)
{
    if (session.isOpeningThread())
        m_notice->showBusy(tr("A abrir a conversa…"));
    else if (const std::optional<SessionError>& error = session.openThreadError())
        m_notice->showError(ErrorText::forRequest(*error), ErrorText::tooltip(error->details));
    const bool waiting = session.isOpeningThread() || session.openThreadError();
    m_notice->setVisible(waiting);
    m_scroll->setVisible(!waiting);
}

void ReaderPane::rebuildCards(AccountSession* session)
{
    // Another conversation starts at its top; new messages in the same one
    // keep the reader where they are.
    if (!session || session->openThreadId() != m_shownThreadId)
        m_scroll->verticalScrollBar()->setValue(0);
    ++m_cardsGeneration;
    qDeleteAll(m_cards);
    m_cards.clear();
    m_shownThreadId.clear();
    m_shownMessageIds.clear();
    m_title->hide();
    if (!session)
        return;

    const QList<FullMessage>& messages = session->openThreadMessages();
    m_shownThreadId = session->openThreadId();
    m_shownMessageIds = idsOf(messages);
    if (messages.isEmpty())
        return;
    const QString subject = messages.constFirst().subject;
    m_title->setText(subject.isEmpty() ? tr("(sem assunto)") : subject);
    m_title->show();
    buildPendingCards();
}

void ReaderPane::buildPendingCards()
{
    AccountSession* session = m_session;
    if (!session || session->openThreadId() != m_shownThreadId)
        return;
    const QList<FullMessage>& messages = session->openThreadMessages();
    QElapsedTimer elapsed;
    elapsed.start();
    // At least one card a turn, so that a slow one cannot stall the rest.
    while (m_cards.size() < messages.size()) {
        const FullMessage& message = messages.at(m_cards.size());
        auto* card = new MessageCard(message, &m_state, *m_web, m_title->parentWidget());
        connect(card, &MessageCard::linkActivated, this, &ReaderPane::openLink);
        // After the title, before the closing stretch.
        m_cardLayout->insertWidget(int(m_cards.size()) + 1, card);
        // A layout would show it only from the event loop; now is sooner.
        card->show();
        m_cards.append(card);
        if (elapsed.elapsed() >= s_cardBudgetMs)
            break;
    }
    // The same queue as the bodies' web views, so that a batch of cards and
    // a body never share a turn.
    if (m_cards.size() < messages.size()) {
        m_web->pacer().post(this, [this, generation = m_cardsGeneration] {
            if (generation == m_cardsGeneration)
                buildPendingCards();
        });
    }
}

void ReaderPane::releaseFarBodies()
{
    const int screen = m_scroll->viewport()->height();
    if (screen <= 0)
        return;
    for (MessageCard* card : std::as_const(m_cards)) {
        HtmlMessageView* body = card->htmlView();
        if (!body || !body->isLive())
            continue;
        // Two screens of margin: reading back a little finds the bodies there.
        const int top = body->mapTo(m_scroll->viewport(), QPoint(0, 0)).y();
        if (top + body->height() < -2 * screen || top > 3 * screen)
            body->release();
    }
}

ReaderPane::~ReaderPane()
{
    qDeleteAll(m_cards);
    m_cards.clear();
}

void ReaderPane::openLink(const QUrl& url)
{
    // An answer to an address in a message is written here, from the
    // account the message came to, not in another program.
    if (url.scheme().compare(u"mailto", Qt::CaseInsensitive) == 0) {
        m_state.startMailtoMessage(MailtoAddress::parse(url.toString(QUrl::FullyEncoded)),
                                   m_session ? m_session->id() : QString());
        return;
    }
    if (const std::shared_ptr<BrowserOpening>& browser = m_state.browser())
        browser->open(url);
}

} // namespace vesk
