#pragma once

#include <QColor>
#include <QIconEngine>
#include <QString>

namespace vesk {

/// Draws one monochrome SVG in a single colour chosen when it is painted: a
/// fixed colour when one was given, otherwise the application palette's text
/// colour for the icon's mode (dimmed when disabled, white when selected), so
/// icons follow the palette without a copy per colour. GUI thread only.
class TintedIconEngine final : public QIconEngine
{
public:
    explicit TintedIconEngine(QString svgPath, QColor tint = QColor());

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;
    bool isNull() override;

private:
    QColor colourFor(QIcon::Mode mode) const;
    QImage render(const QSize& pixels, QIcon::Mode mode) const;

    QString m_path;
    QColor m_tint;
};

} // namespace vesk
