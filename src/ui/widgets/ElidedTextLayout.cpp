#include "ui/widgets/ElidedTextLayout.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLine>
#include <QTextOption>

#include <algorithm>

namespace vesk {

namespace {

const QString s_ellipsis = QStringLiteral("\u2026");

/// A hostile subject of megabytes must not be shaped whole on every paint:
/// a line never shows more characters than it has pixels, so what lies
/// beyond that can only end up behind the ellipsis.
QString boundedText(QString text, qreal width, int maxLines)
{
    const qsizetype limit = qsizetype(std::max<qreal>(width, 1)) * maxLines + 1;
    if (text.size() <= limit)
        return text;
    qsizetype cut = limit;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    text.truncate(cut);
    return text;
}

} // namespace

ElidedTextLayout::ElidedTextLayout(QString text, const QFont& font, qreal width, int maxLines)
    : m_font(font)
    , m_width(std::max<qreal>(width, 0))
    , m_maxLines(std::max(maxLines, 1))
    , m_layout(boundedText(std::move(text), width, std::max(maxLines, 1)), font)
{
    QTextOption option(Qt::AlignLeft);
    // The row decides the direction, as QPainter::drawText would.
    option.setTextDirection(Qt::LeftToRight);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_layout.setTextOption(option);
    m_layout.setCacheEnabled(true);
    if (layOut(m_width))
        return;
    // Laid out again from the same shaped text, the last line leaving room
    // for the ellipsis.
    m_elided = true;
    const qreal ellipsisWidth = QFontMetricsF(font).horizontalAdvance(s_ellipsis);
    layOut(std::max<qreal>(m_width - ellipsisWidth, 0));
    const int lines = m_layout.lineCount();
    m_ellipsisX = lines > 0 ? m_layout.lineAt(lines - 1).naturalTextWidth() : 0;
    m_naturalWidth = std::max(m_naturalWidth, m_ellipsisX + ellipsisWidth);
}

bool ElidedTextLayout::layOut(qreal lastWidth)
{
    const QString& text = m_layout.text();
    m_naturalWidth = 0;
    m_height = 0;
    qsizetype end = 0;
    m_layout.beginLayout();
    for (int index = 0; index < m_maxLines; ++index) {
        QTextLine line = m_layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(index + 1 == m_maxLines ? lastWidth : m_width);
        line.setPosition(QPointF(0, m_height));
        m_height += line.height();
        m_naturalWidth = std::max(m_naturalWidth, line.naturalTextWidth());
        end = line.textStart() + line.textLength();
    }
    m_layout.endLayout();
    // Spaces where the text was cut are not worth an ellipsis.
    while (end < text.size() && text.at(end).isSpace())
        ++end;
    return end >= text.size();
}

void ElidedTextLayout::draw(QPainter* painter, const QRectF& box, Qt::Alignment alignment) const
{
    const qreal x = (alignment & Qt::AlignRight) ? box.right() - m_naturalWidth : box.left();
    const qreal y = (alignment & Qt::AlignTop)
                        ? box.top()
                        : box.top() + std::max<qreal>((box.height() - m_height) / 2, 0);
    m_layout.draw(painter, QPointF(x, y));
    const int lines = m_layout.lineCount();
    // An ellipsis alone when not even one line had room.
    const qreal baseline =
        lines > 0 ? m_layout.lineAt(lines - 1).y() + m_layout.lineAt(lines - 1).ascent()
                  : QFontMetricsF(m_font).ascent();
    if (!m_elided)
        return;
    painter->save();
    painter->setFont(m_font);
    painter->drawText(QPointF(x + m_ellipsisX, y + baseline), s_ellipsis);
    painter->restore();
}

} // namespace vesk
