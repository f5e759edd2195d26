#pragma once

#include <QWidget>

class QLabel;

namespace vesk {

class TextButton;
class UndoOffer;

/// The line at the window's foot while a change to conversations may be
/// taken back: what was done ("3 conversas arquivadas.") and "Desfazer",
/// which asks for the undoing through `undoRequested`. Hidden while nothing
/// is offered. GUI thread only; the offer must outlive it.
class UndoBar final : public QWidget
{
    Q_OBJECT

public:
    explicit UndoBar(const UndoOffer& offer, QWidget* parent = nullptr);

    QString text() const;
    TextButton* undoButton() const { return m_undo; }

Q_SIGNALS:
    void undoRequested();

private:
    void follow();

    const UndoOffer& m_offer;
    QLabel* m_text;
    TextButton* m_undo;
};

} // namespace vesk
