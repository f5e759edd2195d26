#include "ui/composer/ComposerSheet.h"

#include "compose/ComposerSession.h"
#include "ui/composer/ComposerView.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace vesk {

ComposerSheet::ComposerSheet(ComposerSession& composer, QWidget* parent,
                             std::shared_ptr<SpellingService> spelling)
    : QDialog(parent)
    , m_view(new ComposerView(composer, this))
{
    m_view->setSpelling(std::move(spelling));
    setWindowModality(Qt::WindowModal);
    setWindowTitle(ComposerView::titleOf(composer.mode()));
    resize(640, 600);
    setMinimumSize(520, 460);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    connect(m_view, &ComposerView::dismissed, this, &QDialog::reject);

    // A shortcut, not a key handler: the body editor would take Ctrl+Enter
    // as a new line before the sheet ever saw it.
    for (const QKeyCombination keys :
         {QKeyCombination(Qt::CTRL, Qt::Key_Return), QKeyCombination(Qt::CTRL, Qt::Key_Enter)}) {
        auto* send = new QShortcut(QKeySequence(keys), this);
        connect(send, &QShortcut::activated, m_view, &ComposerView::send);
    }
}

void ComposerSheet::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_view->closeSaving();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ComposerSheet::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A sheet hangs from the middle of its window's top, whatever the window
    // manager (or the lack of one) would choose.
    if (event->spontaneous() || !parentWidget())
        return;
    const QRect window = parentWidget()->window()->geometry();
    move(window.center().x() - width() / 2, window.top() + std::min(72, window.height() / 10));
}

void ComposerSheet::closeEvent(QCloseEvent* event)
{
    // Closed by the user through the window manager: save, then close. The
    // window closing the sheet itself (its composer has gone) closes at once.
    if (event->spontaneous() && isVisible()) {
        event->ignore();
        m_view->closeSaving();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace vesk
