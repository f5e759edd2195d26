// The shared widgets: the pill's keyboard focus, and what the interface adds
// to the core's error sentences (the sidebar's word for failures that pass by
// themselves, and a tooltip that stays text).

#include "gmail/GmailError.h"
#include "net/DescribedError.h"
#include "ui/style/Brand.h"
#include "ui/widgets/ErrorText.h"
#include "ui/widgets/PillButton.h"

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
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

class TestWidgets : public QObject
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

    void sessionLineSaysWhatHelps()
    {
        const auto http = [](int status, const QByteArray& body) {
            return SessionError::from(GmailError::http(GoogleErrorBody::parse(status, body)));
        };
        // How the line starts: quota passes by itself; offline, the sync goes
        // on; anything else is the core's sentence, made for people.
        const QList<std::pair<SessionError, QString>> cases{
            {http(429, {}), u"O Google limitou"_s},
            {SessionError::from(NetworkError(u"Connection refused"_s)), u"Sem ligação"_s},
            {http(400, R"({"error":{"message":"Invalid\n label"}})"),
             u"HTTP 400: Invalid label"_s}};
        for (const auto& [error, shown] : cases) {
            const QString line = ErrorText::forSession(error);
            QVERIFY2(line.startsWith(shown) && !line.contains(u'{'), qPrintable(line));
        }
    }

    void tooltipKeepsMarkupAsText()
    {
        const QString details = u"HTTP 502: <b>Bad</b> & <img src=\"x\">"_s;
        const QString tip = ErrorText::tooltip(details);
        QVERIFY(Qt::mightBeRichText(tip)); // so that Qt wraps it
        QVERIFY(tip.contains(details.toHtmlEscaped()));
        QVERIFY(!tip.contains(u"<b>"_s));
        QVERIFY(ErrorText::tooltip(u"  "_s).isEmpty());
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
