#pragma once

#include <QProxyStyle>

namespace vesk {

/// The brand's scroll bars over the application's style: no arrows and no
/// groove, a thin rounded handle in the brand's violet that widens while
/// the pointer is over the bar or drags it. The room the bar takes stays
/// the same, so widening never moves the content beside it. Owned by the
/// application once set as its style. GUI thread only.
class ScrollBarStyle final : public QProxyStyle
{
    Q_OBJECT

public:
    /// The room a scroll bar takes across.
    static constexpr int extent = 12;
    /// The handle's thickness at rest and under the pointer.
    static constexpr int restingThickness = 4;
    static constexpr int hoveredThickness = 8;

    /// Takes `base` over (Fusion when null).
    explicit ScrollBarStyle(QStyle* base = nullptr);

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
    void polish(QWidget* widget) override;
    void unpolish(QWidget* widget) override;
    using QProxyStyle::polish;
    using QProxyStyle::unpolish;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace vesk
