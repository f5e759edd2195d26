#include "ui/style/Brand.h"
#include "ui/style/ScrollBarStyle.h"

#include <QApplication>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>

using namespace vesk;

namespace {

/// How many pixels across the handle is, halfway along its length: those
/// whose violet stands out from the dark background.
int handleThickness(const QImage& bar, int along)
{
    int violet = 0;
    for (int x = 0; x < bar.width(); ++x) {
        const QColor pixel = bar.pixelColor(x, along);
        if (pixel.red() - pixel.green() > 30 && pixel.blue() - pixel.green() > 30)
            ++violet;
    }
    return violet;
}

} // namespace

class TestScrollBars : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Brand::apply(*qApp); }

    void handleWidensUnderThePointerWithoutMovingTheContent()
    {
        QListWidget list;
        for (int row = 0; row < 200; ++row)
            list.addItem(QStringLiteral("Conversa %1").arg(row));
        list.resize(320, 240);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QScrollBar* bar = list.verticalScrollBar();
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->width(), ScrollBarStyle::extent);
        const QRect viewport = list.viewport()->geometry();
        // Inside the handle, which is at the top and at least this long twice.
        const int along = bar->style()->pixelMetric(QStyle::PM_ScrollBarSliderMin) / 2;

        QCOMPARE(handleThickness(bar->grab().toImage(), along), ScrollBarStyle::restingThickness);
        QTest::mouseMove(bar, QPoint(bar->width() / 2, bar->height() / 2));
        QTRY_VERIFY(bar->underMouse());
        QCOMPARE(handleThickness(bar->grab().toImage(), along), ScrollBarStyle::hoveredThickness);
        QCOMPARE(list.viewport()->geometry(), viewport);

        // No arrow at the end: a click there pages, it does not step.
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 2));
        QCOMPARE(bar->value(), bar->pageStep());
    }
};

QTEST_MAIN(TestScrollBars)
#include "tst_scrollbars.moc"
