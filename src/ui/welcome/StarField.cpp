#include "ui/welcome/StarField.h"

#include <QRandomGenerator>

namespace vesk {

QList<StarField::Star> StarField::stars(QSizeF canvas)
{
    // NaN sides fail these comparisons too.
    if (!(canvas.width() > 0) || !(canvas.height() > 0))
        return {};
    // Seeded, so that the sky is the same at every start and on every machine.
    QRandomGenerator generator(s_seed);
    const auto between = [&generator](double low, double high) {
        return low + generator.generateDouble() * (high - low);
    };
    QList<Star> result;
    result.reserve(s_count);
    for (int i = 0; i < s_count; ++i) {
        // One statement per draw: the order of draws is the picture.
        const double x = between(0, canvas.width());
        const double y = between(0, canvas.height());
        const double size = between(0.5, 1.6);
        const double opacity = between(0.25, 0.95);
        result.append(Star{QPointF(x, y), size, opacity});
    }
    return result;
}

} // namespace vesk
