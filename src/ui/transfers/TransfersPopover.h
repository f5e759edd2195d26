#pragma once

#include <QFrame>

#include <memory>

namespace vesk {

class FileManagerReveal;
class TransferManager;
class TransfersPanel;

/// The small panel the toolbar's "Transferências" button opens, anchored
/// under the button. Closes like a menu: a click elsewhere or Esc.
/// GUI thread only.
class TransfersPopover final : public QFrame
{
    Q_OBJECT

public:
    /// `transfers` and `reveal` may be null (see TransfersPanel).
    TransfersPopover(TransferManager* transfers, std::shared_ptr<FileManagerReveal> reveal,
                     QWidget* parent = nullptr);

    TransfersPanel* panel() const { return m_panel; }

    /// Shows the panel with its top right corner under `anchor`'s bottom
    /// right corner, kept on `anchor`'s screen.
    void popUpUnder(QWidget* anchor);

Q_SIGNALS:
    void closed();

protected:
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    TransfersPanel* m_panel;
};

} // namespace vesk
