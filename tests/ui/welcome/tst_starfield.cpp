#include "ui/welcome/StarField.h"
#include "ui/welcome/StarFieldWidget.h"

#include <QTest>

#include <cstdint>

using namespace vesk;

namespace {

__extension__ typedef unsigned __int128 Wide;

// The sky's generator written out again from its definition, independently of
// the code under test: seed 42 plus the golden increment, then SplitMix64.
struct HandGenerator
{
    std::uint64_t state = 42 + 0x9E3779B97F4A7C15ULL;
    std::uint64_t next()
    {
        state += 0x9E3779B97F4A7C15ULL;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    double halfOpen(double a, double b)
    {
        const double u = double(next() & ((std::uint64_t(1) << 53) - 1)) / 9007199254740992.0;
        return a + (b - a) * u;
    }
    double closed(double a, double b)
    {
        const Wide bound = (Wide(1) << 53) + 1;
        Wide product = Wide(next()) * bound;
        while (std::uint64_t(product) < 0x1FFFFFFFFFF801ULL)
            product = Wide(next()) * bound;
        const std::uint64_t n = std::uint64_t(product >> 64);
        if (n == std::uint64_t(1) << 53)
            return b;
        return a + (b - a) * double(n) / 9007199254740992.0;
    }
};

} // namespace

class TestStarField : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstStarComesFromTheFirstDraws()
    {
        HandGenerator hand;
        const double x = hand.halfOpen(0, 600);
        const double y = hand.halfOpen(0, 400);
        const double size = hand.closed(0.5, 1.6);
        const double opacity = hand.closed(0.25, 0.95);
        // The same numbers as worked out outside C++ altogether.
        QVERIFY(qAbs(x - 297.89076715944157) < 1e-9);
        QVERIFY(qAbs(y - 230.0459050096756) < 1e-9);

        const QList<StarField::Star> stars = StarField::stars(QSizeF(600, 400));
        QCOMPARE(stars.size(), 180);
        QCOMPARE(stars.first().topLeft.x(), x);
        QCOMPARE(stars.first().topLeft.y(), y);
        QCOMPARE(stars.first().size, size);
        QCOMPARE(stars.first().opacity, opacity);
    }

    void sameCanvasSamePicture()
    {
        const QList<StarField::Star> first = StarField::stars(QSizeF(600, 400));
        QCOMPARE(StarField::stars(QSizeF(600, 400)), first);
        for (const StarField::Star& star : first) {
            QVERIFY(star.topLeft.x() >= 0 && star.topLeft.x() < 600);
            QVERIFY(star.topLeft.y() >= 0 && star.topLeft.y() < 400);
            QVERIFY(star.size >= 0.5 && star.size <= 1.6);
            QVERIFY(star.opacity >= 0.25 && star.opacity <= 0.95);
        }
        // The widget draws exactly the field for its own size.
        StarFieldWidget widget;
        widget.resize(600, 400);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QCOMPARE(widget.stars(), first);
    }

    void emptyCanvasHasNoStars()
    {
        for (const QSizeF canvas : {QSizeF(0, 400), QSizeF(600, 0), QSizeF(0, 0), QSizeF(-3, 400)})
            QVERIFY(StarField::stars(canvas).isEmpty());
    }
};

QTEST_MAIN(TestStarField)
#include "tst_starfield.moc"
