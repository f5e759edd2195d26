#include "ui/reader/ReaderSelectionView.h"

#include "app/AppState.h"
#include "model/ThreadFacts.h"
#include "ui/style/Brand.h"
#include "ui/style/Icons.h"
#include "ui/widgets/FireAndForget.h"
#include "ui/widgets/PillButton.h"

#include <QLabel>
#include <QSet>
#include <QVBoxLayout>

namespace vesk {

ReaderSelectionView::ReaderSelectionView(AppState& state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_title(new QLabel(this))
{
    auto* glyph = new QLabel(this);
    glyph->setPixmap(Icons::pixmap(Symbol::Check, 34, Brand::secondary(), devicePixelRatioF()));
    glyph->setAlignment(Qt::AlignHCenter);
    m_title->setObjectName(QStringLiteral("selectionTitle"));
    m_title->setAlignment(Qt::AlignHCenter);
    Brand::setText(m_title, Brand::sora(19, QFont::Bold), Brand::foreground);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->addStretch(1);
    layout->addWidget(glyph);
    layout->addWidget(m_title);
    layout->addSpacing(10);
    m_archive = addButton(Symbol::Archive, &ReaderSelectionView::archive);
    m_read = addButton(Symbol::MarkRead, &ReaderSelectionView::toggleRead);
    m_star = addButton(Symbol::StarredFilled, &ReaderSelectionView::toggleStar);
    m_spam = addButton(Symbol::Spam, &ReaderSelectionView::toggleSpam);
    m_inbox = addButton(Symbol::Inbox, &ReaderSelectionView::moveToInbox);
    m_trash = addButton(Symbol::Trash, &ReaderSelectionView::trash);
    m_archive->setText(tr("Arquivar"));
    m_inbox->setText(tr("Mover para a caixa de entrada"));
    m_trash->setText(tr("Mover para a lixeira"));
    for (PillButton* button : std::as_const(m_buttons))
        layout->addWidget(button, 0, Qt::AlignHCenter);
    layout->addStretch(1);

    connect(&m_state, &AppState::selectionChanged, this, &ReaderSelectionView::refresh);
    connect(&m_state, &AppState::threadsChanged, this, &ReaderSelectionView::refresh);
    refresh();
}

PillButton* ReaderSelectionView::addButton(Symbol symbol, void (ReaderSelectionView::*act)())
{
    auto* button = new PillButton(QString(), false, this);
    button->setSymbol(symbol);
    connect(button, &PillButton::clicked, this, act);
    m_buttons.append(button);
    return button;
}

QString ReaderSelectionView::title() const
{
    return m_title->text();
}

QList<PillButton*> ReaderSelectionView::shownButtons() const
{
    QList<PillButton*> shown;
    for (PillButton* button : m_buttons) {
        if (!button->isHidden())
            shown.append(button);
    }
    return shown;
}

QList<ThreadSummary> ReaderSelectionView::selectedThreads(const AppState& state)
{
    const QStringList& ids = state.selectedThreadIds();
    const QSet<QString> wanted(ids.cbegin(), ids.cend());
    QList<ThreadSummary> threads;
    for (const ThreadSummary& thread : state.visibleThreads()) {
        if (wanted.contains(thread.threadId))
            threads.append(thread);
    }
    return threads;
}

QStringList ReaderSelectionView::selectedIds() const
{
    return m_state.selectedThreadIds();
}

void ReaderSelectionView::refresh()
{
    const QStringList& ids = m_state.selectedThreadIds();
    if (ids.size() < 2)
        return;
    m_title->setText(tr("%1 conversas selecionadas").arg(ids.size()));
    const ThreadFacts facts = ThreadFacts::of(selectedThreads(m_state));
    m_read->setText(facts.anyUnread ? tr("Marcar como lida") : tr("Marcar como não lida"));
    m_read->setSymbol(facts.anyUnread ? Symbol::MarkRead : Symbol::MarkUnread);
    m_star->setText(facts.allStarred ? tr("Remover estrela") : tr("Marcar com estrela"));
    m_star->setSymbol(facts.allStarred ? Symbol::Starred : Symbol::StarredFilled);
    m_spam->setText(facts.inSpam ? tr("Não é spam") : tr("Marcar como spam"));
    // The same choice as the list's menu: in the trash, only the way out.
    m_spam->setHidden(facts.inTrash && !facts.inSpam);
    m_inbox->setHidden(!facts.inTrash && !facts.inSpam);
    m_trash->setHidden(facts.inTrash);
}

void ReaderSelectionView::archive()
{
    fireAndForget(m_state.archive(selectedIds()));
}

void ReaderSelectionView::toggleRead()
{
    fireAndForget(
        m_state.setRead(selectedIds(), ThreadFacts::of(selectedThreads(m_state)).anyUnread));
}

void ReaderSelectionView::toggleStar()
{
    fireAndForget(
        m_state.setStarred(selectedIds(), !ThreadFacts::of(selectedThreads(m_state)).allStarred));
}

void ReaderSelectionView::toggleSpam()
{
    fireAndForget(
        m_state.setSpam(selectedIds(), !ThreadFacts::of(selectedThreads(m_state)).inSpam));
}

void ReaderSelectionView::moveToInbox()
{
    fireAndForget(m_state.moveToInbox(selectedIds()));
}

void ReaderSelectionView::trash()
{
    fireAndForget(m_state.trash(selectedIds()));
}

} // namespace vesk
