#include "ui/style/TintedIconEngine.h"

#include <QGuiApplication>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSvgRenderer>

#include <utility>

namespace vesk {

TintedIconEngine::TintedIconEngine(QString svgPath, QColor tint)
    : m_path(std::move(svgPath))
    , m_tint(tint)
{}

QColor TintedIconEngine::colourFor(QIcon::Mode mode) const
{
    if (m_tint.isValid()) {
        if (mode != QIcon::Disabled)
            return m_tint;
        QColor dimmed = m_tint;
        dimmed.setAlphaF(dimmed.alphaF() * 0.35f);
        return dimmed;
    }
    // Read at paint time, not at construction: an icon made before the brand
    // palette was applied still comes out in the brand's colours.
    const QPalette palette = QGuiApplication::palette();
    switch (mode) {
    case QIcon::Disabled:
        return palette.color(QPalette::Disabled, QPalette::WindowText);
    case QIcon::Selected:
        return palette.color(QPalette::Active, QPalette::HighlightedText);
    case QIcon::Normal:
    case QIcon::Active:
        break;
    }
    return palette.color(QPalette::Active, QPalette::WindowText);
}

QImage TintedIconEngine::render(const QSize& pixels, QIcon::Mode mode) const
{
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(m_path);
    if (!renderer.isValid() || pixels.isEmpty())
        return image;
    // The glyphs are square; a non-square request centres the square in it
    // instead of stretching the glyph.
    const int side = qMin(pixels.width(), pixels.height());
    const QRectF square((pixels.width() - side) / 2.0, (pixels.height() - side) / 2.0, side, side);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, square);
    // Keep the glyph's coverage, replace its colour.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), colourFor(mode));
    return image;
}

void TintedIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                             QIcon::State /*state*/)
{
    const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QImage image = render((QSizeF(rect.size()) * scale).toSize(), mode);
    image.setDevicePixelRatio(scale);
    painter->drawImage(rect, image);
}

QPixmap TintedIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State /*state*/)
{
    return QPixmap::fromImage(render(size, mode));
}

QIconEngine* TintedIconEngine::clone() const
{
    return new TintedIconEngine(m_path, m_tint);
}

QString TintedIconEngine::key() const
{
    return QStringLiteral("vesk.tinted");
}

bool TintedIconEngine::isNull()
{
    return !QSvgRenderer(m_path).isValid();
}

} // namespace vesk
