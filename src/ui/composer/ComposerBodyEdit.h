#pragma once

#include <QList>
#include <QPlainTextEdit>
#include <QUrl>

namespace vesk {

/// The composer's message body: plain text with its placeholder, and the
/// drop target for files. Dragged file URLs are not pasted as text but
/// handed on through `filesDropped`; while files hover over the editor a
/// purple rounded outline shows that it will take them. GUI thread only.
class ComposerBodyEdit final : public QPlainTextEdit
{
    Q_OBJECT
    Q_PROPERTY(bool dropTargeted READ isDropTargeted NOTIFY dropTargetedChanged)

public:
    explicit ComposerBodyEdit(QWidget* parent = nullptr);

    bool isDropTargeted() const { return m_dropTargeted; }

Q_SIGNALS:
    void filesDropped(const QList<QUrl>& urls);
    void dropTargetedChanged();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void setDropTargeted(bool targeted);

    bool m_dropTargeted = false;
};

} // namespace vesk
