#include "ui/style/Brand.h"
#include "ui/widgets/PillButton.h"

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace vesk;

namespace {

// The button alone on a transparent canvas: its own pixels, no background.
QImage pixelsOf(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// A point inside the capsule above the label, on the centre line.
int capsuleAlpha(QWidget& widget)
{
    return pixelsOf(widget).pixelColor(widget.width() / 2, 7).alpha();
}

} // namespace

class TestPillButton : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Brand::apply(*qApp); }

    void pressedPillIsDrawnAtThreeQuarters_data()
    {
        QTest::addColumn<bool>("prominent");
        QTest::addColumn<int>("restingAlpha");
        QTest::newRow("prominent") << true << 255;
        // The foreground at 12 %.
        QTest::newRow("plain") << false << 31;
    }

    void pressedPillIsDrawnAtThreeQuarters()
    {
        QFETCH(bool, prominent);
        QFETCH(int, restingAlpha);
        PillButton button(QStringLiteral("Guardar"), prominent);
        button.resize(button.sizeHint());
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QSignalSpy clicked(&button, &PillButton::clicked);

        QCOMPARE(capsuleAlpha(button), restingAlpha);
        QTest::mousePress(&button, Qt::LeftButton);
        QVERIFY(qAbs(capsuleAlpha(button) - restingAlpha * 0.75) <= 1.5);
        QTest::mouseRelease(&button, Qt::LeftButton);
        QCOMPARE(capsuleAlpha(button), restingAlpha);
        QCOMPARE(clicked.count(), 1);
    }

    void prominentPillRunsFromPrimaryToVivid()
    {
        PillButton button(QStringLiteral("Ligar outra conta"), true);
        button.resize(button.sizeHint());
        const QImage image = pixelsOf(button);
        const QColor left = image.pixelColor(18, 7);
        const QColor right = image.pixelColor(button.width() - 18, 7);
        // Green is where #8A05BE and #A855F7 differ most.
        QVERIFY(left.green() < 30);
        QVERIFY(right.green() > 50);
        QVERIFY(left.blue() > left.red() && right.blue() > right.red());
        // The label is white somewhere in the middle row.
        bool white = false;
        for (int x = 0; x < image.width(); ++x)
            white = white || image.pixelColor(x, button.height() / 2).rgb() == qRgb(255, 255, 255);
        QVERIFY(white);
    }

    void disabledPillIsDimAndInert()
    {
        PillButton button(QStringLiteral("Ligar outra conta"), true);
        button.resize(button.sizeHint());
        button.setEnabled(false);
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QSignalSpy clicked(&button, &PillButton::clicked);
        QVERIFY(capsuleAlpha(button) < 160);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicked.count(), 0);
    }

    void keyboardReachesAndPressesThePill()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* first = new PillButton(QStringLiteral("Concluir"), false);
        auto* second = new PillButton(QStringLiteral("Guardar"), true);
        layout->addWidget(first);
        layout->addWidget(second);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QSignalSpy clicked(second, &PillButton::clicked);

        // Clicked focus shows no ring; focus moved with Tab does, just
        // outside the capsule.
        QTest::mouseClick(first, Qt::LeftButton);
        QVERIFY(first->hasFocus());
        QCOMPARE(pixelsOf(*first).pixelColor(first->width() / 2, 1).alpha(), 0);
        QTest::keyClick(&window, Qt::Key_Tab);
        QVERIFY(second->hasFocus());
        QVERIFY(pixelsOf(*second).pixelColor(second->width() / 2, 1).alpha() > 100);

        QTest::keyClick(second, Qt::Key_Space);
        QCOMPARE(clicked.count(), 1);
    }
};

QTEST_MAIN(TestPillButton)
#include "tst_pillbutton.moc"
