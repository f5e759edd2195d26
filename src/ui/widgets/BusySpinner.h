#pragma once

#include <QTimer>
#include <QWidget>

namespace vesk {

/// A small indeterminate progress indicator: an arc turning in the brand's
/// light purple. It turns only while shown.
class BusySpinner final : public QWidget
{
    Q_OBJECT

public:
    explicit BusySpinner(int side = 14, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int m_side;
    int m_angle = 0;
    QTimer m_timer;
};

} // namespace vesk
