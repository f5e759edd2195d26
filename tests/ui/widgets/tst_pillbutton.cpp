#include "ui/style/Brand.h"
#include "ui/widgets/PillButton.h"

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

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

} // namespace

class TestPillButton : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Brand::apply(*qApp); }

    void keyboardReachesAndPressesThePill()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* first = new PillButton(u"Concluir"_s, false);
        auto* second = new PillButton(u"Guardar"_s, true);
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
