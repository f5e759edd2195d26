// The shared widgets: the pill's keyboard focus, and what the interface adds
// to the core's error sentences (the sidebar's word for failures that pass by
// themselves, and a tooltip that stays text); the welcome and about views.

#include "gmail/GmailError.h"
#include "net/DescribedError.h"
#include "ui/dialogs/AboutView.h"
#include "ui/style/Brand.h"
#include "ui/welcome/StarField.h"
#include "ui/welcome/StarFieldWidget.h"
#include "ui/welcome/WelcomeView.h"
#include "ui/widgets/ErrorText.h"
#include "ui/widgets/PillButton.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
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

// The texts a person sees, top to bottom.
QStringList shownTexts(const QWidget& root)
{
    QList<QLabel*> labels = root.findChildren<QLabel*>();
    std::stable_sort(labels.begin(), labels.end(), [&root](QLabel* a, QLabel* b) {
        return a->mapTo(&root, QPoint()).y() < b->mapTo(&root, QPoint()).y();
    });
    QStringList texts;
    for (const QLabel* label : labels) {
        if (label->isVisibleTo(&root) && !label->text().isEmpty())
            texts.append(label->text());
    }
    return texts;
}

// Every visible text fits its label: nothing is cut off at the bottom.
bool nothingClipped(const QWidget& root)
{
    const QList<QLabel*> labels = root.findChildren<QLabel*>();
    for (const QLabel* label : labels) {
        if (!label->isVisibleTo(&root) || label->text().isEmpty())
            continue;
        const int needed =
            label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height();
        if (label->height() < needed || label->width() < label->minimumSizeHint().width())
            return false;
    }
    return true;
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

    void sessionLineSaysWhatHelps_data()
    {
        QTest::addColumn<SessionError>("error");
        QTest::addColumn<QString>("shown"); // how the line starts
        const auto http = [](int status, const QByteArray& body) {
            return SessionError::from(GmailError::http(GoogleErrorBody::parse(status, body)));
        };
        QTest::newRow("quota passes by itself") << http(429, {}) << u"O Google limitou"_s;
        QTest::newRow("offline, the sync goes on")
            << SessionError::from(NetworkError(u"Connection refused"_s)) << u"Sem ligação"_s;
        // Anything else is the core's sentence, made for people.
        QTest::newRow("other") << http(400, R"({"error":{"message":"Invalid\n label"}})")
                               << u"HTTP 400: Invalid label"_s;
    }

    void sessionLineSaysWhatHelps()
    {
        QFETCH(SessionError, error);
        QFETCH(QString, shown);
        QVERIFY2(ErrorText::forSession(error).startsWith(shown),
                 qPrintable(ErrorText::forSession(error)));
        QVERIFY(!ErrorText::forSession(error).contains(u'{'));
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

    void buttonLeadsToTheNextStep_data()
    {
        QTest::addColumn<bool>("configured");
        QTest::addColumn<int>("texts"); // the card that explains the client's step, or not
        QTest::addColumn<QString>("button");
        QTest::newRow("no client") << false << 4 << u"Abrir Definições"_s;
        QTest::newRow("client") << true << 2 << u"Ligar a primeira conta"_s;
    }

    void buttonLeadsToTheNextStep()
    {
        QFETCH(bool, configured);
        QFETCH(int, texts);
        WelcomeView view;
        view.resize(980, 600);
        view.setOAuthConfigured(configured);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QStringList shown = shownTexts(view);
        QCOMPARE(shown.size(), texts);
        QCOMPARE(shown.first(), u"VESK"_s);
        QVERIFY(nothingClipped(view));

        auto* button = view.findChild<PillButton*>();
        QTEST(button->text(), "button");
        QVERIFY(button->isProminent());
        QSignalSpy settings(&view, &WelcomeView::settingsRequested);
        QSignalSpy link(&view, &WelcomeView::linkAccountRequested);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(settings.count(), configured ? 0 : 1);
        QCOMPARE(link.count(), configured ? 1 : 0);

        // A failed link is reported under the button until it is cleared.
        const QString failure = u"O início de sessão foi cancelado."_s;
        view.setLinkError(failure);
        // Lay out now: relayouts are posted, and the check reads geometry.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QVERIFY(nothingClipped(view));
        QCOMPARE(shownTexts(view).constLast(), failure);
        view.setLinkError(QString());
        QCOMPARE(shownTexts(view), shown);
    }

    /// The sky is the same picture whenever the window has the same size, so
    /// that it never jumps on a repaint, and every star is on the canvas.
    void skyIsStableAndOnTheCanvas()
    {
        WelcomeView view;
        view.resize(980, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const auto* sky = view.findChild<StarFieldWidget*>();
        QVERIFY(sky);
        const QList<StarField::Star> first = sky->stars();
        QCOMPARE(first, StarField::stars(sky->size()));
        for (const StarField::Star& star : first) {
            QVERIFY(QRectF(QPointF(), sky->size()).contains(star.topLeft));
            QVERIFY(star.size > 0 && star.opacity > 0 && star.opacity < 1);
        }
        view.resize(1200, 700);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCOMPARE(sky->stars(), StarField::stars(sky->size()));
        QVERIFY(sky->stars() != first);
        view.resize(980, 600);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCOMPARE(sky->stars(), first);
        for (const QSizeF canvas : {QSizeF(0, 400), QSizeF(600, 0), QSizeF(-3, 400)})
            QVERIFY(StarField::stars(canvas).isEmpty());
    }

    void aboutShowsTheBuildsVersion()
    {
        AboutView about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(shownTexts(about), QStringList({u"VESK"_s, u"Cliente de Gmail nativo para Linux"_s,
                                                 u"Versão "_s + QStringLiteral(EXPECTED_VERSION)}));
        QVERIFY(nothingClipped(about));
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
