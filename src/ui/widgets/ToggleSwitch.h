#pragma once

#include <QAbstractButton>

namespace vesk {

/// An on/off switch with its label on the left: a capsule track, filled with
/// the brand's primary colour while on, and a round knob. Space toggles it
/// when it has focus.
class ToggleSwitch final : public QAbstractButton
{
    Q_OBJECT

public:
    explicit ToggleSwitch(const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

} // namespace vesk
