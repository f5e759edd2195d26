#pragma once

#include <QList>
#include <QPlainTextEdit>
#include <QPointer>
#include <QUrl>

#include <memory>

class QMenu;

namespace vesk {

class ComposerSpelling;
class SpellHighlighter;

/// The composer's message body: plain text with its placeholder, and the
/// drop target for files. Dragged file URLs are not pasted as text but
/// handed on through `filesDropped`; while files hover over the editor a
/// purple rounded outline shows that it will take them. Given a composer's
/// spelling, misspelt words are underlined and the context menu offers
/// their suggestions. GUI thread only.
class ComposerBodyEdit final : public QPlainTextEdit
{
    Q_OBJECT
    Q_PROPERTY(bool dropTargeted READ isDropTargeted NOTIFY dropTargetedChanged)

public:
    explicit ComposerBodyEdit(QWidget* parent = nullptr);

    bool isDropTargeted() const { return m_dropTargeted; }

    /// Checks the text with `spelling` from now on; it outlives the editor
    /// or is gone before it is asked again.
    void setSpelling(ComposerSpelling* spelling);
    SpellHighlighter* spellHighlighter() const { return m_highlighter; }
    /// The context menu for `position` (viewport coordinates), the caller's
    /// to show: the standard edit actions with the spelling's around them.
    std::unique_ptr<QMenu> contextMenuAt(const QPoint& position);

Q_SIGNALS:
    void filesDropped(const QList<QUrl>& urls);
    void dropTargetedChanged();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void setDropTargeted(bool targeted);

    bool m_dropTargeted = false;
    QPointer<ComposerSpelling> m_spelling;
    SpellHighlighter* m_highlighter = nullptr;
};

} // namespace vesk
