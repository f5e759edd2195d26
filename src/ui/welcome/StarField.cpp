#include "ui/welcome/StarField.h"

#include "ui/welcome/SplitMix64.h"

namespace vesk {

QList<StarField::Star> StarField::stars(QSizeF canvas)
{
    // NaN sides fail these comparisons too.
    if (!(canvas.width() > 0) || !(canvas.height() > 0))
        return {};
    SplitMix64 generator(s_seed);
    QList<Star> result;
    result.reserve(s_count);
    for (int i = 0; i < s_count; ++i) {
        // One statement per draw: the order of draws is the picture.
        const double x = generator.halfOpen(0, canvas.width());
        const double y = generator.halfOpen(0, canvas.height());
        const double size = generator.closed(0.5, 1.6);
        const double opacity = generator.closed(0.25, 0.95);
        result.append(Star{QPointF(x, y), size, opacity});
    }
    return result;
}

} // namespace vesk
