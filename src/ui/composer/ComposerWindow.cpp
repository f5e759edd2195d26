#include "ui/composer/ComposerWindow.h"

#include "compose/ComposerSession.h"
#include "ui/composer/ComposerView.h"
#include "ui/widgets/AccessibleWindow.h"
#include "ui/widgets/PillButton.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QShortcut>
#include <QVBoxLayout>

namespace vesk {

ComposerWindow::ComposerWindow(ComposerSession& composer, QWidget* parent,
                               std::shared_ptr<SpellingService> spelling)
    : QWidget(parent, Qt::Window)
    , m_composer(&composer)
    , m_view(new ComposerView(composer, this))
{
    AccessibleWindow::mark(this);
    m_view->setSpelling(std::move(spelling));
    resize(680, 620);
    setMinimumSize(520, 460);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    connect(m_view, &ComposerView::dismissed, this, [this] {
        m_finished = true;
        Q_EMIT finished();
        close();
    });
    connect(&composer, &ComposerSession::subjectChanged, this, &ComposerWindow::updateTitle);
    updateTitle();
    addShortcuts();
}

QString ComposerWindow::titleFor(const ComposerSession& composer)
{
    const QString subject = composer.subject().simplified();
    return subject.isEmpty() ? ComposerView::titleOf(composer.mode()) : subject;
}

void ComposerWindow::addShortcuts()
{
    // Shortcuts, not key handlers: the body editor would take Ctrl+Enter as
    // a new line before the window ever saw it.
    for (const QKeyCombination keys :
         {QKeyCombination(Qt::CTRL, Qt::Key_Return), QKeyCombination(Qt::CTRL, Qt::Key_Enter)}) {
        auto* send = new QShortcut(QKeySequence(keys), this);
        connect(send, &QShortcut::activated, m_view, &ComposerView::send);
    }
    auto* attach = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A), this);
    connect(attach, &QShortcut::activated, m_view->attachButton(), &PillButton::click);
}

void ComposerWindow::updateTitle()
{
    if (m_composer)
        setWindowTitle(titleFor(*m_composer));
}

void ComposerWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_view->closeSaving();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ComposerWindow::closeEvent(QCloseEvent* event)
{
    // Closed by the person through the window manager: save, then close.
    // Closed once the view is done, or by the program (its composer has
    // gone), it closes at once.
    if (!m_finished && m_composer && event->spontaneous()) {
        event->ignore();
        m_view->closeSaving();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace vesk
