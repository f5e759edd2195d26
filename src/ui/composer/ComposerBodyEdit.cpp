#include "ui/composer/ComposerBodyEdit.h"

#include "spelling/ComposerSpelling.h"
#include "spelling/SpellWords.h"
#include "ui/composer/SpellHighlighter.h"
#include "ui/composer/SpellingMenu.h"
#include "ui/style/Brand.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QStyle>

#include <algorithm>

namespace vesk {

namespace {

/// Links dragged from a browser stay text; only files become attachments.
bool carriesFiles(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

} // namespace

ComposerBodyEdit::ComposerBodyEdit(QWidget* parent)
    : QPlainTextEdit(parent)
{
    setPlaceholderText(tr("Escreve a mensagem. Podes largar ficheiros aqui para os anexar."));
    setAccessibleName(tr("Mensagem"));
    setFont(Brand::inter(13));
    setFrameShape(QFrame::NoFrame);
    // The outline is always two pixels wide, clear until files hover, so the
    // text does not move when a drag starts.
    setStyleSheet(
        QStringLiteral("vesk--ComposerBodyEdit { background: transparent;"
                       " border: 2px solid transparent; border-radius: 10px;"
                       " padding: 4px; }\n"
                       "vesk--ComposerBodyEdit:focus { border-color: %2; }\n"
                       "vesk--ComposerBodyEdit[dropTargeted=\"true\"] {"
                       " border-color: %1; }")
            .arg(Brand::primary.name(), Brand::css(Brand::withOpacity(Brand::lightPurple, 0.35))));
    QPalette p = palette();
    p.setColor(QPalette::PlaceholderText, Brand::secondary());
    setPalette(p);
}

void ComposerBodyEdit::dragEnterEvent(QDragEnterEvent* event)
{
    if (!carriesFiles(event->mimeData())) {
        QPlainTextEdit::dragEnterEvent(event);
        return;
    }
    event->acceptProposedAction();
    setDropTargeted(true);
}

void ComposerBodyEdit::dragMoveEvent(QDragMoveEvent* event)
{
    if (!carriesFiles(event->mimeData())) {
        QPlainTextEdit::dragMoveEvent(event);
        return;
    }
    event->acceptProposedAction();
}

void ComposerBodyEdit::dragLeaveEvent(QDragLeaveEvent* event)
{
    setDropTargeted(false);
    QPlainTextEdit::dragLeaveEvent(event);
}

void ComposerBodyEdit::dropEvent(QDropEvent* event)
{
    setDropTargeted(false);
    if (!carriesFiles(event->mimeData())) {
        QPlainTextEdit::dropEvent(event);
        return;
    }
    event->acceptProposedAction();
    Q_EMIT filesDropped(event->mimeData()->urls());
}

void ComposerBodyEdit::setSpelling(ComposerSpelling* spelling)
{
    delete m_highlighter;
    m_highlighter = nullptr;
    m_spelling = spelling;
    if (spelling)
        m_highlighter = new SpellHighlighter(*spelling, *this);
}

std::unique_ptr<QMenu> ComposerBodyEdit::contextMenuAt(const QPoint& position)
{
    std::unique_ptr<QMenu> menu(createStandardContextMenu(position));
    if (!m_spelling)
        return menu;
    const QTextBlock block = cursorForPosition(position).block();
    const QString text = block.text();
    const WordSpan word = checkableWordAt(text, cursorForPosition(position).positionInBlock());
    const QString found = text.mid(word.start, word.length);
    const QString misspelt = m_spelling->isCorrect(found) ? QString() : found;
    const int start = block.position() + int(word.start);
    addSpellingActions(*menu, *m_spelling, misspelt,
                       [this, start, length = int(word.length)](const QString& replacement) {
                           QTextCursor cursor(document());
                           cursor.setPosition(start);
                           cursor.setPosition(start + length, QTextCursor::KeepAnchor);
                           // One step for undo, as a typed correction would be.
                           cursor.beginEditBlock();
                           cursor.insertText(replacement);
                           cursor.endEditBlock();
                       });
    return menu;
}

void ComposerBodyEdit::contextMenuEvent(QContextMenuEvent* event)
{
    contextMenuAt(event->pos())->exec(event->globalPos());
}

void ComposerBodyEdit::setDropTargeted(bool targeted)
{
    if (m_dropTargeted == targeted)
        return;
    m_dropTargeted = targeted;
    // Style sheet rules on a property are matched only when re-polished.
    style()->unpolish(this);
    style()->polish(this);
    update();
    Q_EMIT dropTargetedChanged();
}

} // namespace vesk
