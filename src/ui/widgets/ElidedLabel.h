#pragma once

#include <QLabel>

namespace vesk {

/// One line of text that gives way to its neighbours: drawn with an ellipsis
/// in the middle when it does not fit, so that a file name keeps its
/// extension. text() stays whole.
class ElidedLabel final : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vesk
