// mailto: addresses read into a new message: what they ask for, and what
// hostile ones cannot do. A second part opens the composer from one through
// the application state, in the account asked for.

#include "AppRig.h"
#include "app/AppState.h"
#include "app/NoticeBoard.h"
#include "compose/ComposerSession.h"
#include "compose/MailtoAddress.h"

#include <QTest>

using namespace vesk;
using namespace Qt::StringLiterals;
using Problem = MailtoAddress::Problem;

namespace {

/// Each piece left out as "Problem piece", for the table.
QStringList leftOut(const MailtoAddress& read)
{
    static const QHash<Problem, QString> names{
        {Problem::NotMailto, u"NotMailto"_s},       {Problem::TooLong, u"TooLong"_s},
        {Problem::BadEscape, u"BadEscape"_s},       {Problem::BadEncoding, u"BadEncoding"_s},
        {Problem::ControlCharacters, u"Control"_s}, {Problem::BadAddress, u"BadAddress"_s},
        {Problem::IgnoredField, u"Ignored"_s}};
    return test::valuesOf(read.leftOut, [](const MailtoAddress::LeftOut& left) -> QString {
        return names.value(left.problem) + u' ' + left.piece;
    });
}

const QString longText(5000, u'a');

} // namespace

class TestMailto : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsAddresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("to");
        QTest::addColumn<QStringList>("cc");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("left");
        const QStringList none;

        QTest::addRow("several, encoded UTF-8")
            << u"mailto:ana@x.pt,rui@y.pt?cc=c@z.pt&subject=Ol%C3%A1&body=linha%201%0Alinha%202"_s
            << QStringList{u"ana@x.pt"_s, u"rui@y.pt"_s} << QStringList{u"c@z.pt"_s} << u"Olá"_s
            << u"linha 1\nlinha 2"_s << none;
        QTest::addRow("path and to= merged, names in any case, CRLF body")
            << u" MailTo:a@x.pt?TO=b@x.pt,A@X.PT&Cc=%22Silva,%20Ana%22%20%3Cs@x.pt%3E&"
               "BODY=um%0D%0Adois%0Dtr%C3%AAs+quatro "_s
            << QStringList{u"a@x.pt"_s, u"b@x.pt"_s} << QStringList{u"\"Silva, Ana\" <s@x.pt>"_s}
            << QString() << u"um\ndois\ntrês+quatro"_s << none;
        QTest::addRow("empty") << u"mailto:"_s << none << none << QString() << QString() << none;
        QTest::addRow("repeated and unknown fields")
            << u"mailto:?subject=um&subject=dois&body=a&body=b&In-Reply-To=%3Ci@x%3E&solto&&"_s
            << none << none << u"um"_s << u"a\nb"_s
            << QStringList{u"Ignored subject"_s, u"Ignored in-reply-to"_s, u"Ignored solto"_s};
        QTest::addRow("bad entries left out")
            << u"mailto:bom@x.pt,mau,@x.pt,a@b@c,,"_s << QStringList{u"bom@x.pt"_s} << none
            << QString() << QString()
            << QStringList{u"BadAddress mau"_s, u"BadAddress @x.pt"_s, u"BadAddress a@b@c"_s};
        QTest::addRow("header injection in address and subject")
            << u"mailto:a@x.pt%0D%0ABcc:%20e@v.pt?subject=Oi%0D%0ABcc:%20e@v.pt&cc=c@x.pt%0A"_s
            << none << QStringList{u"c@x.pt"_s} << u"Oi Bcc: e@v.pt"_s << QString()
            << QStringList{u"Control to"_s, u"BadAddress a@x.pt Bcc: e@v.pt"_s,
                           u"Control subject"_s, u"Control cc"_s};
        QTest::addRow("controls dropped from the body")
            << u"mailto:?body=a%00b%07c%09d%E2%80%A8"_s << none << none << QString() << u"abc\td"_s
            << QStringList{u"Control body"_s};
        QTest::addRow("malformed escapes kept as written")
            << u"mailto:?subject=100%&body=%ZZ%4"_s << none << none << u"100%"_s << u"%ZZ%4"_s
            << QStringList{u"BadEscape subject"_s, u"BadEscape body"_s};
        QTest::addRow("invalid UTF-8")
            << u"mailto:?subject=a%C3%28b%FF"_s << none << none << u"a\uFFFD(b\uFFFD"_s << QString()
            << QStringList{u"BadEncoding subject"_s};
        QTest::addRow("javascript")
            << u"javascript:alert('mailto:a@x.pt')"_s << none << none << QString() << QString()
            << QStringList{u"NotMailto javascript:"_s};
        QTest::addRow("no scheme") << u"a@x.pt"_s << none << none << QString() << QString()
                                   << QStringList{u"NotMailto "_s};
        QTest::addRow("subject cut") << u"mailto:?subject="_s + longText << none << none
                                     << longText.left(MailtoAddress::maxSubjectLength) << QString()
                                     << QStringList{u"TooLong subject"_s};
        QTest::addRow("huge input cut")
            << u"mailto:?body="_s + QString(MailtoAddress::maxInputLength, u'b') << none << none
            << QString() << QString(MailtoAddress::maxBodyLength, u'b')
            << QStringList{u"TooLong mailto"_s, u"TooLong body"_s};
        QStringList many;
        for (int i = 0; i <= MailtoAddress::maxRecipients; ++i)
            many.append(u"p%1@x.pt"_s.arg(i));
        QTest::addRow("too many recipients")
            << u"mailto:"_s + many.join(u',') << many.mid(0, MailtoAddress::maxRecipients) << none
            << QString() << QString() << QStringList{u"TooLong to"_s};
    }

    void readsAddresses()
    {
        QFETCH(QString, text);
        const MailtoAddress read = MailtoAddress::parse(text);
        QTEST(read.to, "to");
        QTEST(read.cc, "cc");
        QTEST(read.subject, "subject");
        QTEST(read.body, "body");
        QTEST(leftOut(read), "left");
    }

    /// The composer opens in the account asked for, else the first of every
    /// account's list, and says what was left out; without accounts a notice
    /// says why nothing opened.
    void opensTheComposer()
    {
        const QString ana = u"ana@exemplo.pt"_s;
        const QString rui = u"rui@exemplo.pt"_s;
        test::AppRig rig;
        rig.configureClient();
        {
            AppState empty(rig.services());
            empty.startMailtoMessage(MailtoAddress::parse(u"mailto:c@x.pt"_s));
            QVERIFY(!empty.composer());
            QCOMPARE(empty.notices().notices().size(), 1);
        }
        rig.linkDirectly(ana);
        rig.linkDirectly(rui);
        AppState app(rig.services());
        app.selectAccount(AppState::allAccountsId());
        QVERIFY(app.isAllAccounts());
        const MailtoAddress address =
            MailtoAddress::parse(u"mailto:c@x.pt,mau?bcc=b@x.pt&subject=Ol%C3%A1&body=a%0Ab"_s);
        app.startMailtoMessage(address);
        ComposerSession* composer = app.composer();
        QVERIFY(composer);
        QCOMPARE(composer->mode(), ComposerSession::Mode::New);
        QCOMPARE(composer->account().identity.email, app.sessions().constFirst()->id());
        QCOMPARE(composer->to(), u"c@x.pt"_s);
        QCOMPARE(composer->bcc(), u"b@x.pt"_s);
        QCOMPARE(composer->subject(), u"Olá"_s);
        QCOMPARE(composer->body(), u"a\nb"_s);
        QCOMPARE(composer->error(), u"Do endereço mailto ficou de fora: endereço inválido: mau."_s);

        app.startMailtoMessage(MailtoAddress::parse(u"mailto:c@x.pt"_s), rui);
        QCOMPARE(app.composer()->account().identity.email, rui);
        QCOMPARE(app.composer()->error(), QString());
    }
};

QTEST_GUILESS_MAIN(TestMailto)
#include "tst_mailto.moc"
