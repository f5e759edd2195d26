#pragma once

#include <QFrame>

namespace vesk {

/// The small panel the toolbar's "Transferências" button opens, anchored
/// under the button. Closes like a menu: a click elsewhere or Esc.
/// GUI thread only.
class TransfersPopover final : public QFrame
{
    Q_OBJECT

public:
    explicit TransfersPopover(QWidget* parent = nullptr);

    /// Shows the panel with its top right corner under `anchor`'s bottom
    /// right corner, kept on `anchor`'s screen.
    void popUpUnder(QWidget* anchor);

Q_SIGNALS:
    void closed();

protected:
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vesk
