#include "ui/dialogs/AboutView.h"
#include "ui/style/Brand.h"
#include "ui/welcome/StarField.h"
#include "ui/welcome/StarFieldWidget.h"
#include "ui/welcome/WelcomeView.h"
#include "ui/widgets/PillButton.h"

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vesk;

namespace {

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

class TestWelcome : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Brand::apply(*qApp); }

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
        WelcomeView view;
        view.resize(980, 600);
        view.setOAuthConfigured(configured);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QStringList shown = shownTexts(view);
        QTEST(int(shown.size()), "texts");
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

QTEST_MAIN(TestWelcome)
#include "tst_welcome.moc"
