// The brand's drawing: every symbol's icon, and the scroll bars' handle.

#include "ui/style/Brand.h"
#include "ui/style/IconTable.h"
#include "ui/style/Icons.h"
#include "ui/style/ScrollBarStyle.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QSvgRenderer>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

using namespace vesk;

namespace {

// What a 32-pixel rendering of `icon` puts on a transparent canvas.
QImage draw(const QIcon& icon, QIcon::Mode mode = QIcon::Normal)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, image.rect(), Qt::AlignCenter, mode);
    return image;
}

// The most opaque pixel: the glyph's colour where it is solid.
QColor solidest(const QImage& image)
{
    QColor best(Qt::transparent);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            if (colour.alpha() > best.alpha())
                best = colour;
        }
    }
    return best;
}

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

class TestStyle : public QObject
{
    Q_OBJECT

    QPalette m_designed;

private Q_SLOTS:
    void initTestCase()
    {
        Brand::apply(*qApp);
        m_designed = QApplication::palette();
    }
    // The icons' test tints the palette's text.
    void cleanup() { QApplication::setPalette(m_designed); }

    void everySymbolIsDrawn_data()
    {
        QTest::addColumn<Symbol>("symbol");
        // Every value of the enumeration, not the table's list, so that a
        // symbol the table forgot fails.
        for (int value = 0; value <= int(Symbol::Remove); ++value)
            QTest::addRow("symbol %d", value) << Symbol(value);
    }

    void everySymbolIsDrawn()
    {
        QFETCH(Symbol, symbol);
        const QString path = IconTable::path(symbol);
        QVERIFY2(QFile::exists(path), qPrintable(path));
        QVERIFY(QSvgRenderer(path).isValid());
        // A file of its own, so that the outline and filled twins stay apart.
        const QList<Symbol> all = IconTable::symbols();
        QCOMPARE(std::count_if(all.cbegin(), all.cend(),
                               [&path](Symbol other) { return IconTable::path(other) == path; }),
                 qsizetype(1));

        // Untinted icons take the palette's text colour when they are painted.
        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::Active, QPalette::WindowText, QColor(0x12, 0xAB, 0x34));
        QApplication::setPalette(palette);
        const QColor drawn = solidest(draw(Icons::icon(symbol)));
        QCOMPARE(drawn.alpha(), 255);
        QCOMPARE(drawn.rgb(), QColor(0x12, 0xAB, 0x34).rgb());

        QCOMPARE(solidest(draw(Icons::icon(symbol, Qt::white))).rgb(), QColor(Qt::white).rgb());
        QVERIFY(solidest(draw(Icons::icon(symbol, Qt::white), QIcon::Disabled)).alpha() < 128);
    }

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

QTEST_MAIN(TestStyle)
#include "tst_style.moc"
