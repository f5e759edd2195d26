#pragma once

#include <QWidget>

class QToolButton;

namespace vesk {

struct OutgoingAttachment;

/// One attachment of the message being written: the paperclip, the file
/// name, its size and a button that asks for its removal. GUI thread only.
class AttachmentRow final : public QWidget
{
    Q_OBJECT

public:
    AttachmentRow(const OutgoingAttachment& attachment, QWidget* parent = nullptr);

    QToolButton* removeButton() const { return m_remove; }

    /// `bytes` as a file manager shows a file's size (decimal units).
    static QString sizeText(qint64 bytes);

Q_SIGNALS:
    void removeClicked();

private:
    QToolButton* m_remove;
};

} // namespace vesk
