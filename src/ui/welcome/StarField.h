#pragma once

#include <QList>
#include <QPointF>
#include <QSizeF>

namespace vesk {

/// The stars of the welcome screen's sky: 180 of them, drawn from a generator
/// seeded with 42, so a canvas of a given size always gets the same picture.
/// Pure and thread-safe.
class StarField final
{
public:
    struct Star
    {
        QPointF topLeft; ///< top-left corner of the star's bounding square
        double size;     ///< diameter, 0.5 to 1.6
        double opacity;  ///< of white, 0.25 to 0.95
        friend bool operator==(const Star&, const Star&) = default;
    };

    static constexpr int s_count = 180;
    static constexpr quint32 s_seed = 42;

    /// The stars for a canvas of `canvas`; none when either side is zero or
    /// less, since no position can be drawn from an empty range.
    static QList<Star> stars(QSizeF canvas);
};

} // namespace vesk
