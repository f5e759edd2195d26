// The model's values as JSON, strict on what it reads; conversations grouped
// from their messages; and the accounts' registry in the settings.

#include "model/AccountRegistry.h"
#include "model/FullMessage.h"
#include "model/LabelInfo.h"
#include "model/MailJson.h"
#include "model/MessageSummary.h"
#include "model/ThreadSummary.h"
#include "platform/QSettingsStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vesk;

namespace {

MessageSummary summary(const QString& id, const QString& thread, qint64 ms,
                       const QString& fromName = {}, const QString& fromEmail = {},
                       const QString& subject = {}, const QStringList& labels = {})
{
    return MessageSummary{id, thread, labels, u"trecho"_s, fromName, fromEmail, subject, ms};
}

QByteArray validSummaryJson()
{
    return R"({"id":"m1","threadId":"t1","labelIds":["INBOX","UNREAD"],"snippet":"Olá",)"
           R"("fromName":"Ana","fromEmail":"ana@exemplo.pt","subject":"Férias",)"
           R"("internalDateMs":1700000000123})";
}

QByteArray replaced(QByteArray json, const char* from, const char* to)
{
    return json.replace(from, to);
}

AccountIdentity identity(const char* email, const char* name = "")
{
    return AccountIdentity{QString::fromUtf8(email), QString::fromUtf8(name)};
}

} // namespace

class TestMailModel : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_ini;

    QVariant storedValue() const
    {
        return QSettings(m_ini, QSettings::IniFormat).value(AccountRegistry::defaultKey());
    }

    void store(const QVariant& value)
    {
        QSettings settings(m_ini, QSettings::IniFormat);
        settings.setValue(AccountRegistry::defaultKey(), value);
    }

    std::unique_ptr<AccountRegistry> loaded()
    {
        auto registry = std::make_unique<AccountRegistry>(std::make_shared<QSettingsStore>(m_ini));
        registry->load();
        return registry;
    }

private slots:
    void init()
    {
        m_ini = m_dir.filePath(u"%1.ini"_s.arg(QLatin1String(QTest::currentTestFunction())));
    }
    void cleanup() { QFile::remove(m_ini); }

    void summaryDecodingIsStrict_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("failingPath");
        const QByteArray v = validSummaryJson();
        QTest::newRow("missing snippet") << replaced(v, R"("snippet":"Olá",)", "") << "snippet";
        QTest::newRow("missing internalDateMs")
            << replaced(v, R"(,"internalDateMs":1700000000123)", "") << "internalDateMs";
        QTest::newRow("date as string")
            << replaced(v, "1700000000123", "\"1700000000123\"") << "internalDateMs";
        QTest::newRow("date with fraction")
            << replaced(v, "1700000000123", "1700000000123.5") << "internalDateMs";
        QTest::newRow("date beyond 64 bits")
            << replaced(v, "1700000000123", "9223372036854775808") << "internalDateMs";
        QTest::newRow("label not a string")
            << replaced(v, R"(["INBOX","UNREAD"])", R"(["INBOX",7])") << "labelIds[1]";
        QTest::newRow("labels not an array")
            << replaced(v, R"(["INBOX","UNREAD"])", R"("INBOX")") << "labelIds";
        QTest::newRow("null name") << replaced(v, R"("Ana")", "null") << "fromName";
        QTest::newRow("trailing content") << v + "{}" << QString();
        QTest::newRow("array root") << "[" + v + "]" << QString();
        QTest::newRow("not json") << QByteArray("{\"id\":") << "";
        QTest::newRow("invalid utf-8") << replaced(v, "Olá", "Ol\xff") << "";
    }

    void summaryDecodingIsStrict()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, failingPath);
        QString error;
        QVERIFY(!MailJson::decodeMessageSummary(json, &error));
        QVERIFY(!error.isEmpty());
        if (!failingPath.isEmpty())
            QVERIFY2(error.startsWith(failingPath + u':'), qPrintable(error));
    }

    void summaryDecodingAcceptsWhatGmailAndOlderFilesMayHold()
    {
        // Unknown keys are ignored, key order is free and escaped keys count.
        const QByteArray reordered =
            R"({"extra":{"nested":[1,2]},"internalDateMs":-5,"subject":"","fromEmail":"",)"
            R"("fromName":"","snippet":"","labelIds":[],"threadId":"t","\u0069d":"m"})";
        const auto decoded = MailJson::decodeMessageSummary(reordered);
        QVERIFY(decoded);
        QCOMPARE(decoded->id(), u"m"_s);
        QCOMPARE(decoded->internalDateMs(), -5);
        QVERIFY(decoded->labelIds().isEmpty());

        // 64-bit dates survive exactly, beyond a double's 53 bits.
        const QByteArray big = replaced(validSummaryJson(), "1700000000123", "9007199254740993");
        QCOMPARE(MailJson::decodeMessageSummary(big)->internalDateMs(), 9007199254740993LL);
    }

    void encodingRoundTripsHostileText()
    {
        const QString hostile = u"Aspas \" barra \\ / nova\nlinha\ttab \x01 "_s +
                                QString::fromUtf8("ação 😀 \u2028 fim");
        const MessageSummary original{
            u"id\"1"_s,  u"t/1"_s, {u"INBOX"_s, u"Label_42"_s},       hostile, hostile,
            u"a@b.pt"_s, hostile,  std::numeric_limits<qint64>::min()};
        const QByteArray json = MailJson::encode(original);
        QCOMPARE(MailJson::decodeMessageSummary(json), original);

        // Another parser reads the same text and every key is written.
        const QJsonObject parsed = QJsonDocument::fromJson(json).object();
        QCOMPARE(parsed.value(u"snippet").toString(), hostile);
        QCOMPARE(parsed.keys().size(), 8);

        // A lone surrogate cannot be written as UTF-8; it must not make the
        // output unreadable (that would lose a whole cache file).
        const MessageSummary broken{{}, {}, {}, u"a"_s + QChar(0xD800) + u'b', {}, {}, {}, 0};
        const auto reread = MailJson::decodeMessageSummary(MailJson::encode(broken));
        QVERIFY(reread);
        QCOMPARE(reread->snippet(), u"a\uFFFDb"_s);

        const LabelInfo label{u"Label_1"_s, u"Família"_s, u"user"_s, 1LL << 40, 0};
        QCOMPARE(MailJson::decodeLabelInfo(MailJson::encode(label)), label);
        const AccountIdentity identity{u"ana@gmail.com"_s, QString()};
        QCOMPARE(MailJson::decodeAccountIdentity(MailJson::encode(identity)), identity);
        // A field missing or of another type is refused.
        QVERIFY(!MailJson::decodeLabelInfo(
            R"({"id":"INBOX","name":"INBOX","type":"system","messagesTotal":3})"));
        QVERIFY(!MailJson::decodeLabelInfo(
            R"({"id":"INBOX","name":"INBOX","type":"system","messagesTotal":3,"messagesUnread":"1"})"));
        QVERIFY(!MailJson::decodeAccountIdentity(R"({"email":"a@b.pt"})"));
        QVERIFY(!MailJson::decodeAccountIdentity(R"({"email":"a@b.pt","name":false})"));
    }

    void storedThreadRoundTripsAndIsStrict()
    {
        const QString hostile = u"Aspas \" barra \\ <b>nova</b>\nlinha \x01 "_s +
                                QString::fromUtf8("ação 😀 \u2028 fim");
        FullMessage full;
        full.id = u"m1"_s;
        full.threadId = u"t1"_s;
        full.labelIds = {u"INBOX"_s, u"UNREAD"_s};
        full.fromName = hostile;
        full.fromEmail = u"ana@exemplo.pt"_s;
        full.to = u"Rui <rui@exemplo.pt>, eva@exemplo.pt"_s;
        full.subject = hostile;
        full.date = QDateTime::fromMSecsSinceEpoch(1700000000123, Qt::UTC);
        full.snippet = hostile;
        full.html = hostile;
        full.attachments = {
            AttachmentInfo{u"m1"_s, u"a1"_s, hostile, u"application/pdf"_s, 1LL << 40}};
        full.references = u"<a@b> <c@d>"_s;
        // Absent texts and an unknown date stay absent, not empty.
        FullMessage bare;
        bare.id = u"m2"_s;
        bare.plainText = QString();
        const StoredThread thread{u"t1"_s, {full, bare}};
        QCOMPARE(MailJson::decodeStoredThread(MailJson::encode(thread)), thread);
        QCOMPARE(MailJson::decodeFullMessage(MailJson::encode(bare)), bare);

        const QByteArray v = MailJson::encode(bare);
        const QList<std::pair<QByteArray, QString>> broken{
            {replaced(v, R"("html":null,)", ""), u"html"_s},
            {replaced(v, R"("dateMs":null)", R"("dateMs":"1")"), u"dateMs"_s},
            {replaced(v, R"("references":null)", R"("references":7)"), u"references"_s},
            {replaced(v, R"("attachments":[])", R"("attachments":[{}])"),
             u"attachments[0].messageId"_s},
        };
        for (const auto& [json, path] : broken) {
            QString error;
            QVERIFY2(!MailJson::decodeFullMessage(json, &error), json.constData());
            QVERIFY2(error.startsWith(path + u':'), qPrintable(error));
        }
        QVERIFY(!MailJson::decodeStoredThread(R"({"threadId":"t1"})"));
        QVERIFY(!MailJson::decodeStoredThread(R"({"threadId":"t1","messages":[{}]})"));
    }

    void threadsGroupAndDeriveTheirValues()
    {
        // One thread given newest first, interleaved with a newer thread.
        const QList<MessageSummary> input{summary(u"a3"_s, u"A"_s, 3000, {}, {}, u"Re: x"_s),
                                          summary(u"b1"_s, u"B"_s, 5000),
                                          summary(u"a2"_s, u"A"_s, 2000, {}, {}, u"Re: x"_s),
                                          summary(u"a1"_s, u"A"_s, 1000, {}, {}, u"x"_s)};
        const QList<ThreadSummary> threads = ThreadSummary::group(input);
        QCOMPARE(threads.size(), 2);
        QCOMPARE(threads[0].threadId, u"B"_s);
        const ThreadSummary& a = threads[1];
        QCOMPARE(a.messages.size(), 3);
        QCOMPARE(a.messages[0].id(), u"a1"_s);
        QCOMPARE(a.latest().id(), u"a3"_s);
        QCOMPARE(a.subject(), u"x"_s);
        QCOMPARE(threads[0].subject(), u"(sem assunto)"_s);

        // Equal dates keep their input order; duplicates are never merged.
        const QList<MessageSummary> ties{summary(u"second"_s, u"T"_s, 7),
                                         summary(u"first"_s, u"T"_s, 7),
                                         summary(u"second"_s, u"T"_s, 7)};
        const ThreadSummary tied = ThreadSummary::group(ties).constFirst();
        QCOMPARE(tied.messages.size(), 3);
        QCOMPARE(tied.messages[1].id(), u"first"_s);

        QVERIFY(ThreadSummary::group({}).isEmpty());

        const QString ana = u"Ana"_s;
        ThreadSummary thread{
            u"t"_s,
            {summary(u"1"_s, u"t"_s, 1, ana, u"a@x.pt"_s),
             summary(u"2"_s, u"t"_s, 2, {}, u"b@x.pt"_s, u"Assunto tardio"_s, {u"UNREAD"_s}),
             summary(u"3"_s, u"t"_s, 3, ana, u"c@x.pt"_s)},
            {}};
        QCOMPARE(thread.participants(), u"Ana, b@x.pt"_s);
        QVERIFY(thread.isUnread());
        // The oldest message decides the subject, even when a later one has one.
        QCOMPARE(thread.subject(), u"(sem assunto)"_s);

        thread.messages[1].setLabelIds({u"unread"_s, u"INBOX"_s});
        QVERIFY(!thread.isUnread());

        const ThreadSummary empty;
        QCOMPARE(empty.participants(), QString());
        QCOMPARE(empty.subject(), u"(sem assunto)"_s);
        QVERIFY(!empty.isUnread());
    }

    void unreadableValueIsDroppedButLeftInPlace_data()
    {
        QTest::addColumn<QVariant>("value");
        const QByteArray valid =
            R"([{"identity":{"email":"a@x.pt","name":""},"notificationsEnabled":true}])";
        const auto with = [&](const char* from, const char* to) {
            return QVariant(QByteArray(valid).replace(from, to));
        };
        QTest::newRow("not json") << QVariant(QByteArray("[{"));
        QTest::newRow("object, not array") << QVariant(QByteArray("{}"));
        QTest::newRow("entry without switch") << with(R"(,"notificationsEnabled":true)", "");
        QTest::newRow("switch as number") << with("true", "1");
        QTest::newRow("identity without name") << with(R"(,"name":"")", "");
        QTest::newRow("text instead of bytes") << QVariant(QString::fromUtf8(valid));
    }

    void unreadableValueIsDroppedButLeftInPlace()
    {
        QFETCH(QVariant, value);
        store(value);
        const auto registry = loaded();
        QVERIFY(registry->entries().isEmpty());
        QCOMPARE(storedValue(), value);

        registry->upsert(identity("b@x.pt"));
        QCOMPARE(loaded()->entries().size(), 1);
    }

    void linksStoreEnabledEntriesAndRelinkKeepsPositionAndSwitch()
    {
        const auto registry = loaded();
        QVERIFY(registry->entries().isEmpty());
        QVERIFY(registry->notificationsEnabled(u"ninguem@x.pt"_s));
        QSignalSpy changed(registry.get(), &AccountRegistry::entriesChanged);
        registry->upsert(identity("a@x.pt", "A"));
        QCOMPARE(storedValue().typeId(), QMetaType::QByteArray);
        registry->upsert(identity("b@x.pt", "B"));
        registry->setNotificationsEnabled(u"a@x.pt"_s, false);
        registry->upsert(identity("a@x.pt", "Ana Sá"));
        QCOMPARE(changed.size(), 4);
        // Writing what is there already changes nothing, so announces nothing.
        registry->upsert(identity("a@x.pt", "Ana Sá"));
        registry->setNotificationsEnabled(u"a@x.pt"_s, false);
        registry->setNotificationsEnabled(u"b@x.pt"_s, true);
        registry->load();
        QCOMPARE(changed.size(), 4);

        const QList<AccountRegistry::Entry> expected{{identity("a@x.pt", "Ana Sá"), false},
                                                     {identity("b@x.pt", "B"), true}};
        QCOMPARE(registry->entries(), expected);
        QCOMPARE(loaded()->entries(), expected);
        QVERIFY(!registry->notificationsEnabled(u"a@x.pt"_s));
        // Exact comparison: another letter case is another account.
        QVERIFY(registry->notificationsEnabled(u"A@x.pt"_s));
    }

    void duplicatesAndUnknownEmails()
    {
        // Written by hand with an extra key, so that any save would change the bytes.
        const QByteArray handWritten =
            R"([{"notificationsEnabled":true,"identity":{"name":"1","email":"d@x.pt"},"x":0},)"
            R"({"identity":{"email":"d@x.pt","name":"2"},"notificationsEnabled":true},)"
            R"({"identity":{"email":"e@x.pt","name":""},"notificationsEnabled":false}])";
        store(handWritten);
        const auto registry = loaded();
        QCOMPARE(registry->entries().size(), 3);

        // Neither an unknown address nor a switch already in place is written.
        QSignalSpy changed(registry.get(), &AccountRegistry::entriesChanged);
        registry->setNotificationsEnabled(u"nobody@x.pt"_s, false);
        registry->setNotificationsEnabled(u"e@x.pt"_s, false);
        registry->upsert(identity("d@x.pt", "1"));
        registry->remove(u"nobody@x.pt"_s);
        QCOMPARE(storedValue().toByteArray(), handWritten);
        QVERIFY(changed.isEmpty());

        registry->setNotificationsEnabled(u"d@x.pt"_s, false);
        registry->upsert(identity("d@x.pt", "novo"));
        QCOMPARE(registry->entries()[0],
                 (AccountRegistry::Entry{identity("d@x.pt", "novo"), false}));
        QCOMPARE(registry->entries()[1], (AccountRegistry::Entry{identity("d@x.pt", "2"), true}));

        registry->remove(u"d@x.pt"_s);
        QCOMPARE(registry->entries(), (QList<AccountRegistry::Entry>{{identity("e@x.pt"), false}}));
        registry->remove(u"e@x.pt"_s);
        QCOMPARE(storedValue().toByteArray(), QByteArray("[]"));
        QCOMPARE(changed.size(), 4);

        // A value changed behind the registry's back is announced when read.
        store(handWritten);
        registry->load();
        QCOMPARE(registry->entries().size(), 3);
        QCOMPARE(changed.size(), 5);
    }
};

QTEST_GUILESS_MAIN(TestMailModel)
#include "tst_mailmodel.moc"
