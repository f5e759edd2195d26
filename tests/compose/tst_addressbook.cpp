#include "AwaitTask.h"
#include "SimpleMessage.h"
#include "TestRig.h"
#include "ValuesOf.h"
#include "app/AppState.h"
#include "compose/AddressBook.h"
#include "compose/ComposerSession.h"
#include "model/MailJson.h"
#include "model/MailStore.h"
#include "model/SummaryTable.h"
#include "sync/AccountSession.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vesk;
using vesk::test::awaitTask;
using vesk::test::TestRig;

namespace {

const QString own = u"joana@exemplo.pt"_s;
const qint64 now = QDateTime(QDate(2026, 12, 1), QTime(12, 0), Qt::UTC).toMSecsSinceEpoch();
constexpr qint64 day = 86400000;

MessageSummary sent(const QString& id, const QString& recipients, qint64 daysAgo)
{
    MessageSummary summary(id, id, {u"SENT"_s}, {}, u"Joana"_s, own, u"Olá"_s, now - daysAgo * day);
    summary.setRecipients(recipients);
    return summary;
}

MessageSummary received(const QString& id, const QString& name, const QString& address,
                        qint64 daysAgo)
{
    return MessageSummary(id, id, {u"INBOX"_s}, {}, name, address, u"Olá"_s, now - daysAgo * day);
}

/// Two messages to Ana lately (letter case aside), one to João, five from a
/// newsletter, one to someone years ago, and mail from the account itself.
AddressBook sampleBook()
{
    SummaryTable table;
    for (const MessageSummary& summary :
         {sent(u"s1"_s, u"Ana Silva <ana.silva@x.pt>, \"Pires, João\" <joao.pires@y.pt>"_s, 2),
          sent(u"s2"_s, u"ANA.SILVA@x.pt, Joana <JOANA@exemplo.pt>, não é endereço"_s, 1),
          sent(u"s3"_s, u"Velho <velho@x.pt>"_s, 3 * 365),
          received(u"r1"_s, u"Ana S."_s, u"ana.silva@x.pt"_s, 30),
          received(u"r2"_s, u"Joana"_s, own, 1), received(u"r3"_s, u"Boletim"_s, u"news@z.pt"_s, 1),
          received(u"r4"_s, u"Boletim"_s, u"news@z.pt"_s, 2),
          received(u"r5"_s, u"Boletim"_s, u"news@z.pt"_s, 3),
          received(u"r6"_s, u"Boletim"_s, u"news@z.pt"_s, 4),
          received(u"r7"_s, u"Boletim"_s, u"news@z.pt"_s, 5),
          received(u"r8"_s, QString(), u"<lixo"_s, 1)})
        table.insert(summary);
    return AddressBook::fromSummaries(table, own, now);
}

QStringList addresses(const QList<Contact>& contacts)
{
    return test::valuesOf(contacts,
                          [](const Contact& contact) { return contact.address.toLower(); });
}

} // namespace

class TestAddressBook : public QObject
{
    Q_OBJECT

private slots:
    void ranksAndMerges()
    {
        const QList<Contact> contacts = sampleBook().contacts();
        // Writing to someone outweighs five newsletters; old mail fades.
        QCOMPARE(addresses(contacts), (QStringList{u"ana.silva@x.pt"_s, u"joao.pires@y.pt"_s,
                                                   u"news@z.pt"_s, u"velho@x.pt"_s}));
        QCOMPARE(contacts.first().name, u"Ana Silva"_s);
        QCOMPARE(contacts.first().entry(), u"Ana Silva <ana.silva@x.pt>"_s);
        QCOMPARE(contacts.at(1).entry(), u"\"Pires, João\" <joao.pires@y.pt>"_s);
        QCOMPARE(contacts.at(2).entry(), u"Boletim <news@z.pt>"_s);
    }

    void matchesAnyWordIgnoringCaseAndAccents_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("found");
        const QString ana = u"ana.silva@x.pt"_s;
        const QString joao = u"joao.pires@y.pt"_s;
        QTest::addRow("surname") << u"sil"_s << QStringList{ana};
        QTest::addRow("upper case") << u"SILVA"_s << QStringList{ana};
        QTest::addRow("no accent typed") << u"joao"_s << QStringList{joao};
        QTest::addRow("accent typed") << u"Joã"_s << QStringList{joao};
        QTest::addRow("domain, by rank") << u"x"_s << QStringList{ana, u"velho@x.pt"_s};
        QTest::addRow("two words") << u"ana x"_s << QStringList{ana};
        QTest::addRow("address typed") << u"ana.silva@x"_s << QStringList{ana};
        QTest::addRow("inside a word") << u"ilva"_s << QStringList{};
        QTest::addRow("own address") << u"joana"_s << QStringList{};
        QTest::addRow("blank") << u" "_s << QStringList{};
    }

    void matchesAnyWordIgnoringCaseAndAccents()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, found);
        QCOMPARE(addresses(sampleBook().matches(typed)), found);
        QCOMPARE(sampleBook().matches(u"a"_s, 1).size(), 1);
    }

    /// Google's answer for sent mail gives the recipients, which the cache
    /// keeps (a cache without them still loads) and the composer's book offers.
    void sentMailFromGoogleFillsTheBook()
    {
        const AccountIdentity joana{own, u"Joana"_s};
        TestRig rig({joana});
        fakegoogle::SimpleMessage message;
        message.from = u"Joana <joana@exemplo.pt>"_s;
        message.to = u"Ana Silva <ana@x.pt>"_s;
        message.cc = u"rui@y.pt"_s;
        message.subject = u"Jantar"_s;
        message.text = u"Sábado?"_s;
        rig.google().addMessage(own, message.toRfc822(), {u"SENT"_s});
        rig.deliver(own, u"Contas"_s);
        const std::unique_ptr<AccountSession> session = rig.session(joana, false);
        awaitTask(session->startSync());
        awaitTask(session->ensureLabelLoaded(u"SENT"_s));

        const MailStoreState state = session->store()->snapshot();
        QStringList recipients;
        for (const MessageSummary& summary : state.summaries)
            recipients.append(summary.recipients());
        recipients.sort();
        QCOMPARE(recipients, (QStringList{QString(), u"\"Ana Silva\" <ana@x.pt>, rui@y.pt"_s}));
        QCOMPARE(MailJson::decodeCache(MailJson::encodeCache(state)), state);

        const QByteArray old = MailJson::encode(received(u"r1"_s, u"Rui"_s, u"rui@y.pt"_s, 1));
        QVERIFY(!old.contains("recipients"));
        const std::optional<MessageSummary> loaded = MailJson::decodeMessageSummary(old);
        QVERIFY(loaded && loaded->recipients().isEmpty());

        ComposerSession composer(ComposerSession::Mode::New,
                                 AppState::composerAccount(session.get()));
        QSignalSpy built(&composer, &ComposerSession::addressBookChanged);
        composer.loadAddressBook();
        QVERIFY(built.wait(10000));
        QCOMPARE(addresses(composer.addressBook()->matches(u"a"_s)), QStringList{u"ana@x.pt"_s});
        QCOMPARE(addresses(composer.addressBook()->contacts()),
                 (QStringList{u"ana@x.pt"_s, u"rui@y.pt"_s, u"sofia@x.pt"_s}));
    }
};

QTEST_GUILESS_MAIN(TestAddressBook)
#include "tst_addressbook.moc"
