#pragma once

#include <QFont>
#include <QString>
#include <QTextLayout>

class QPainter;
class QRectF;

namespace vesk {

/// A text laid out in at most a few lines of one width and shaped once; the
/// last line ends in an ellipsis when the text goes on.
///
/// QFontMetrics::elidedText followed by QPainter::drawText shapes a text two
/// or three times, and shaping is most of what painting a list row costs:
/// scrolling a long list paints a screenful of new rows per frame. Lines
/// break between words where they can. Not copyable (it owns its layout).
class ElidedTextLayout final
{
public:
    ElidedTextLayout(QString text, const QFont& font, qreal width, int maxLines = 1);

    ElidedTextLayout(const ElidedTextLayout&) = delete;
    ElidedTextLayout& operator=(const ElidedTextLayout&) = delete;

    /// The widest line, its ellipsis included.
    qreal naturalWidth() const { return m_naturalWidth; }
    /// The height of the lines laid out.
    qreal height() const { return m_height; }
    bool isElided() const { return m_elided; }

    /// Draws with the painter's pen, against the left or right edge of `box`
    /// as `alignment` says, and against its top or centred vertically.
    void draw(QPainter* painter, const QRectF& box, Qt::Alignment alignment = Qt::AlignLeft) const;

private:
    /// Lays out every line at the full width but the last; whether the text
    /// was all placed.
    bool layOut(qreal lastWidth);

    QFont m_font;
    qreal m_width;
    int m_maxLines;
    QTextLayout m_layout;
    bool m_elided = false;
    qreal m_naturalWidth = 0;
    qreal m_height = 0;
    qreal m_ellipsisX = 0;
};

} // namespace vesk
