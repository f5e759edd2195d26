// What assistive technology reads from the panes, through Qt's own
// accessibility interfaces (those the desktop's bridge serves), and whether
// the panes still hold their texts when the text is set larger. Registered a
// second time at twice the device pixel ratio.

#include "SimpleMessage.h"
#include "UiRig.h"
#include "compose/ComposerSession.h"
#include "ui/composer/ComposerView.h"
#include "ui/sidebar/SidebarPane.h"
#include "ui/style/Brand.h"
#include "ui/threadlist/ThreadListModel.h"
#include "ui/threadlist/ThreadListPane.h"
#include "ui/threadlist/ThreadRowDelegate.h"
#include "ui/widgets/PillButton.h"
#include "ui/widgets/SpokenText.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListView>

using namespace Qt::StringLiterals;
using namespace vesk;
using namespace vesk::test;

namespace {

const QStringList inboxUnread{u"INBOX"_s, u"UNREAD"_s};

QByteArray mail(const QString& from, const QString& subject, const QDateTime& date)
{
    fakegoogle::SimpleMessage message;
    message.from = from;
    message.to = ana;
    message.subject = subject;
    message.text = u"Trago os documentos de %1."_s.arg(subject);
    message.date = date;
    return message.toRfc822();
}

/// The names assistive technology reads for the children of `widget`.
QStringList spokenChildren(QWidget* widget)
{
    QStringList names;
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(widget);
    for (int i = 0; view && i < view->childCount(); ++i) {
        if (QAccessibleInterface* child = view->child(i))
            names.append(child->text(QAccessible::Name));
    }
    return names;
}

QString spoken(QWidget* widget)
{
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(widget);
    return node ? node->text(QAccessible::Name) : QString();
}

int lineHeight(const QFont& font)
{
    return QFontMetrics(font).height();
}

/// Every shown button and one-line label under `root` holds its text.
void checkNothingClipped(const QWidget& root)
{
    for (const QAbstractButton* button : root.findChildren<QAbstractButton*>()) {
        if (!button->isVisible() || button->text().isEmpty())
            continue;
        const QFontMetrics metrics(button->font());
        const QString what = button->text();
        QVERIFY2(button->width() >= metrics.horizontalAdvance(what), qPrintable(what));
        QVERIFY2(button->height() >= metrics.height(), qPrintable(what));
        QVERIFY2(button->sizeHint().width() >= metrics.horizontalAdvance(what), qPrintable(what));
    }
    for (const QLabel* label : root.findChildren<QLabel*>()) {
        if (!label->isVisible() || label->text().isEmpty() || label->wordWrap())
            continue;
        QVERIFY2(label->contentsRect().height() >= label->fontMetrics().height(),
                 qPrintable(label->text()));
    }
    for (const QLineEdit* field : root.findChildren<QLineEdit*>()) {
        if (field->isVisible())
            QVERIFY2(field->height() >= field->fontMetrics().height(),
                     qPrintable(field->accessibleName()));
    }
}

/// Pixels of `image` inside `area` in the brand's focus colour.
int ringPixels(const QImage& image, const QRect& area)
{
    int count = 0;
    const QColor ring = Brand::lightPurple;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (qAbs(pixel.red() - ring.red()) < 24 && qAbs(pixel.green() - ring.green()) < 24 &&
                qAbs(pixel.blue() - ring.blue()) < 24)
                ++count;
        }
    }
    return count;
}

/// What `widget` shows, at one image pixel per widget pixel.
QImage looks(QWidget& widget)
{
    QImage image = widget.grab().toImage();
    return image.scaled(widget.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

} // namespace

class TestReadability : public QObject
{
    Q_OBJECT

    std::optional<UiRig> m_rig;
    AppState* m_app = nullptr;
    QFont m_designed;
    /// The day of the conversation with three messages, and how it is said.
    QDateTime m_meeting;
    QString m_meetingSaid;

    fakegoogle::FakeGoogle& google() { return m_rig->google(); }

    /// Rui's meeting, three unread messages, one starred; Sofia's dinner,
    /// read, two days ago.
    void deliver()
    {
        const fakegoogle::MessageRef first = google().addMessage(
            ana, mail(u"Rui Lopes <rui@x.pt>"_s, u"Reunião"_s, m_meeting.addSecs(-7200)),
            inboxUnread, m_meeting.addSecs(-7200));
        google().addMessage(ana, mail(u"Rui Lopes <rui@x.pt>"_s, u"Reunião"_s, m_meeting),
                            {u"INBOX"_s, u"UNREAD"_s, u"STARRED"_s}, m_meeting, first.threadId);
        google().addMessage(ana,
                            mail(u"Rui Lopes <rui@x.pt>"_s, u"Reunião"_s, m_meeting.addSecs(-3600)),
                            inboxUnread, m_meeting.addSecs(-3600), first.threadId);
        const QDateTime dinner = QDateTime::currentDateTimeUtc().addDays(-2);
        google().addMessage(ana, mail(u"Sofia <s@x.pt>"_s, u"Jantar"_s, dinner), {u"INBOX"_s},
                            dinner);
    }

    static void show(QWidget& widget, const QSize& size)
    {
        widget.resize(size);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
    }

private Q_SLOTS:
    void initTestCase()
    {
        Brand::apply(*qApp);
        m_designed = QApplication::font();
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Portugal));
        // The 12th of March last passed: said without the year in its own year.
        const QDate today = QDate::currentDate();
        QDate day(today.year(), 3, 12);
        if (day > today)
            day = day.addYears(-1);
        m_meeting = QDateTime(day, QTime(10, 0)).toUTC();
        m_meetingSaid =
            day.year() == today.year() ? u"12 de março"_s : u"12 de março de %1"_s.arg(day.year());
        // The second registration runs at twice the pixels; make sure it does.
        if (qEnvironmentVariable("QT_SCALE_FACTOR") == u"2"_s)
            QCOMPARE(qApp->devicePixelRatio(), 2.0);
    }

    void init()
    {
        QApplication::setFont(m_designed);
        m_rig.emplace();
        deliver();
        m_app = &m_rig->start();
    }

    void cleanup()
    {
        m_rig.reset();
        QApplication::setFont(m_designed);
    }

    /// Rows read as one sentence of what they show; every button reads its
    /// name.
    void rowsAndButtonsReadWhatTheyShow()
    {
        ThreadListPane threads(*m_app);
        show(threads, {380, 500});
        QCOMPARE(spoken(threads.listView()), u"Conversas"_s);
        const QStringList rows = spokenChildren(threads.listView());
        QCOMPARE(rows.size(), 2);
        const int meetingRow = rows.at(0).startsWith(u"Rui"_s) ? 0 : 1;
        QCOMPARE(
            rows.at(meetingRow),
            u"Rui Lopes, Reunião, %1, não lida, com estrela, 3 mensagens"_s.arg(m_meetingSaid));
        const QString dinner = rows.at(1 - meetingRow);
        QCOMPARE(dinner.section(u", "_s, 0, 1), u"Sofia, Jantar"_s);
        QVERIFY2(!dinner.contains(u"lida"_s) && !dinner.contains(u"estrela"_s) &&
                     !dinner.contains(u"mensage"_s),
                 qPrintable(dinner));
        QVERIFY(threads.model()
                    ->index(meetingRow)
                    .data(Qt::AccessibleDescriptionRole)
                    .toString()
                    .contains(u"Trago os documentos de Reunião"_s));

        // The sidebar's rows and the composer's fields are read through the
        // desktop's bridge itself in tst_screenreader; here, their buttons.
        SidebarPane sidebar(*m_app);
        show(sidebar, {240, 600});
        m_app->startNewMessage();
        ComposerView composer(*m_app->composer());
        show(composer, {640, 480});
        // Icon or text, no button is read as nothing.
        for (QWidget* root : QList<QWidget*>{&threads, &sidebar, &composer}) {
            for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
                QVERIFY2(!spoken(button).trimmed().isEmpty(), qPrintable(button->objectName()));
        }
    }

    /// Days by name, the year only when it is another; parts joined whole,
    /// empty ones left out, a hostile one cut short on a character boundary.
    void spokenTextIsShortAndWhole()
    {
        const QDate today(2026, 12, 8);
        QCOMPARE(SpokenText::date(QDate(2026, 3, 12), today), u"12 de março"_s);
        QCOMPARE(SpokenText::date(QDate(2025, 12, 31), today), u"31 de dezembro de 2025"_s);
        QCOMPARE(SpokenText::date(QDate(), today), QString());
        QCOMPARE(SpokenText::join({u" Rui\n Lopes "_s, QString(), u"  "_s, u"Reunião"_s}),
                 u"Rui Lopes, Reunião"_s);
        const QString astral = SpokenText::join({u"a"_s + u"😀"_s.repeated(100'000)});
        QVERIFY(astral.size() <= 400);
        QVERIFY(!astral.back().isHighSurrogate());
        QVERIFY(astral.toUtf8().size() > 300);
        QVERIFY(!QString::fromUtf8(astral.toUtf8()).contains(QChar::ReplacementCharacter));
    }

    /// Focus brought by the keyboard shows as a ring in the brand's colour
    /// on the list's current row, which paints itself. (The pills' ring:
    /// tst_widgets.)
    void keyboardFocusShows()
    {
        ThreadListPane threads(*m_app);
        show(threads, {380, 500});
        QApplication::setActiveWindow(&threads);
        QVERIFY(QTest::qWaitForWindowActive(&threads));
        QListView* list = threads.listView();
        const QRect secondRow = list->visualRect(threads.model()->index(1));
        const int before = ringPixels(looks(*list->viewport()), secondRow);
        list->setFocus(Qt::TabFocusReason);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentIndex().row(), 1);
        QVERIFY(ringPixels(looks(*list->viewport()), secondRow) > before + 20);
    }

    void textScaledUpStaysWhole_data()
    {
        QTest::addColumn<qreal>("scale");
        QTest::newRow("designed") << 1.0;
        QTest::newRow("150 %") << 1.5;
    }

    /// The desktop's larger text: every size follows the application font,
    /// and rows, buttons, labels and fields grow to hold it.
    void textScaledUpStaysWhole()
    {
        QFETCH(qreal, scale);
        QFont larger = m_designed;
        larger.setPointSizeF(m_designed.pointSizeF() * scale);
        QApplication::setFont(larger);
        QCOMPARE(Brand::inter(13).pointSizeF(), m_designed.pointSizeF() * scale);
        QCOMPARE(Brand::sora(26).pointSizeF(), 2 * m_designed.pointSizeF() * scale);
        // Mail pages, sized in CSS pixels, are zoomed with the text.
        const qreal dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
        QVERIFY(qAbs(Brand::textZoom() - scale * dpi / 96.0) < 0.01);

        ThreadListPane threads(*m_app);
        show(threads, {380, 600});
        const int rowHeight = threads.listView()->visualRect(threads.model()->index(0)).height();
        const int lines = lineHeight(Brand::inter(13, QFont::Bold)) +
                          lineHeight(Brand::inter(13, QFont::DemiBold)) +
                          2 * lineHeight(Brand::inter(12)) + lineHeight(Brand::inter(10));
        QVERIFY2(rowHeight >= lines, qPrintable(u"%1 < %2"_s.arg(rowHeight).arg(lines)));
        checkNothingClipped(threads);

        SidebarPane sidebar(*m_app);
        show(sidebar, {260, 700});
        auto* accounts = sidebar.findChild<QListView*>(u"accounts"_s);
        auto* labels = sidebar.findChild<QListView*>(u"labels"_s);
        QVERIFY(accounts->visualRect(accounts->model()->index(0, 0)).height() >=
                lineHeight(Brand::inter(13, QFont::DemiBold)) + lineHeight(Brand::inter(11)));
        QVERIFY(labels->visualRect(labels->model()->index(0, 0)).height() >=
                lineHeight(Brand::inter(13, QFont::Medium)));
        // The accounts list is exactly as tall as its rows: none is cut off.
        QCOMPARE(accounts->height(), accounts->model()->rowCount() * accounts->sizeHintForRow(0));
        checkNothingClipped(sidebar);

        m_app->startNewMessage();
        ComposerView composer(*m_app->composer());
        show(composer, {720, 520});
        checkNothingClipped(composer);
        for (const PillButton* button : composer.findChildren<PillButton*>()) {
            if (button->isVisible())
                QVERIFY(button->font().pointSizeF() > 9.7 * scale);
        }
    }
};

QTEST_MAIN(TestReadability)
#include "tst_readability.moc"
