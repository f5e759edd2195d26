// The model's values as JSON, strict on what it reads; conversations grouped
// from their messages; the accounts' registry in the settings; and the cache
// on disk and what is kept beside it: the store's file, strict on what it
// reads and private, whole whatever kills its writer; the small first-screen
// record; conversations kept for reading offline; and the journal of changes
// waiting for Gmail, on disk before record() returns whatever kills the
// program, a file that is not ours set aside, never read in part, and pending
// changes shown on top of whatever a synchronisation brings until one that
// began after they were sent has finished. Also the heap's growth, which
// the program asks the kernel to back with huge pages.

#include "TestFiles.h"
#include "ValuesOf.h"
#include "model/AccountRegistry.h"
#include "model/CachePreload.h"
#include "model/ChangeJournal.h"
#include "model/FirstScreen.h"
#include "model/FullMessage.h"
#include "model/LabelInfo.h"
#include "model/MailJson.h"
#include "model/MailStore.h"
#include "model/MessageSummary.h"
#include "model/OfflineThreads.h"
#include "model/ThreadSummary.h"
#include "platform/HeapGrowthAdvisor.h"
#include "platform/HeapPolicy.h"
#include "platform/QSettingsStore.h"

#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <future>
#include <malloc.h>
#include <memory>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;
using namespace vesk;
using namespace vesk::test;

namespace {

const QString inbox = u"INBOX"_s;
const QString unread = u"UNREAD"_s;

MessageSummary summary(const QString& id, const QString& threadId, qint64 ms, QStringList labels)
{
    return MessageSummary{id,      threadId,           std::move(labels), u"Olá &amp; até já"_s,
                          u"Zé"_s, u"ze@exemplo.pt"_s, u"Reunião"_s,      ms};
}

MessageSummary summary(const QString& id, qint64 ms, QStringList labels = {inbox})
{
    return summary(id, u"t-"_s + id, ms, std::move(labels));
}

/// Whether the kernel was asked to give huge pages to the mapping holding
/// `address`: its flags in the process's memory map say "hg".
bool advisedForHugePages(const void* address)
{
    QFile maps(u"/proc/self/smaps"_s);
    if (!maps.open(QIODevice::ReadOnly))
        return false;
    const auto at = reinterpret_cast<quintptr>(address);
    bool inside = false;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const QList<QByteArray> range = line.split(' ').value(0).split('-');
        bool isStart = false;
        bool isEnd = false;
        const quintptr start = range.value(0).toULongLong(&isStart, 16);
        const quintptr end = range.value(1).toULongLong(&isEnd, 16);
        if (range.size() == 2 && isStart && isEnd)
            inside = start <= at && at < end;
        else if (inside && line.startsWith("VmFlags:"))
            return line.split(' ').contains("hg");
    }
    return false;
}

/// Whether every page of [start, start + length) is in memory.
bool resident(char* start, std::size_t length)
{
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    char* const from = start - reinterpret_cast<quintptr>(start) % page;
    const auto span = static_cast<std::size_t>(start + length - from);
    std::vector<unsigned char> pages((span + page - 1) / page);
    return ::mincore(from, span, pages.data()) == 0 &&
           std::all_of(pages.cbegin(), pages.cend(), [](unsigned char each) { return each & 1; });
}

/// The conversations the window lists under `labelId` of `state`.
QList<ThreadSummary> threadsOf(const MailStoreState& state, const QString& labelId)
{
    QList<MessageSummary> listed;
    for (const MessageSummary& each : state.summaries) {
        if (MailStore::isListedUnder(each, labelId))
            listed.append(each);
    }
    std::sort(listed.begin(), listed.end(), [](const MessageSummary& a, const MessageSummary& b) {
        return a.internalDateMs() > b.internalDateMs();
    });
    return ThreadSummary::group(listed);
}

constexpr int s_blocks = 40; // as the writer's churn changes them
constexpr int s_blockSize = 100;

/// The subject that churn step `step` leaves on message `index`: the last
/// step t <= step with t % blocks == its block, or step 0 that filled it.
qint64 writtenAt(int index, qint64 step)
{
    const int block = index / s_blockSize;
    return step < block ? 0 : step - ((step - block) % s_blocks);
}

/// A conversation of one message whose file takes about `bodySize` bytes.
QList<FullMessage> conversation(const QString& threadId, int bodySize = 1000)
{
    FullMessage message;
    message.id = threadId + u"-1"_s;
    message.threadId = threadId;
    message.labelIds = {u"INBOX"_s};
    message.fromName = u"Zé"_s;
    message.subject = u"Sobre "_s + threadId;
    message.date = QDateTime::fromMSecsSinceEpoch(1700000000123, Qt::UTC);
    message.plainText = QString(bodySize, u'x');
    message.attachments = {AttachmentInfo{message.id, u"a1"_s, u"ata.pdf"_s, u"x/y"_s, 12}};
    return {message};
}

QStringList labelsOf(const MailStore& store, const QString& id)
{
    const MessageSummary* summary = store.snapshot().summaries.find(id);
    return summary ? summary->labelIds() : QStringList{u"(em falta)"_s};
}

MessageSummary threadMessage(const QString& id, const QString& thread, qint64 ms,
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

class TestModel : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_base;
    const QString m_email = u"zé+teste@gmail.com"_s;
    const QString m_large = u"grande@exemplo.pt"_s;

    QString m_ini;

    QVariant storedValue() const
    {
        return QSettings(m_ini, QSettings::IniFormat).value(AccountRegistry::defaultKey());
    }

    void store(const QVariant& value)
    {
        QSettings(m_ini, QSettings::IniFormat).setValue(AccountRegistry::defaultKey(), value);
    }

    std::unique_ptr<AccountRegistry> loaded()
    {
        auto registry = std::make_unique<AccountRegistry>(std::make_shared<QSettingsStore>(m_ini));
        registry->load();
        return registry;
    }

    QString base() const { return m_base->path(); }
    QString folder() const { return base() + u'/' + m_email; }
    QString cachePath() const { return folder() + u"/cache.json"_s; }
    QString threadsFolder() const { return OfflineThreads::folderPath(m_email, base()); }
    QString threadPath(const QString& threadId) const
    {
        return QDir(threadsFolder()).filePath(OfflineThreads::fileName(threadId));
    }
    /// The first-screen record beside the account's cache.
    QString recordPath(const QString& email) const
    {
        return FirstScreen::filePathBeside(MailStore::cacheFilePath(email, base()));
    }

private slots:
    void init()
    {
        m_base = std::make_unique<QTemporaryDir>();
        m_ini = m_base->filePath(u"settings.ini"_s);
    }

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
        const QList<MessageSummary> input{threadMessage(u"a3"_s, u"A"_s, 3000, {}, {}, u"Re: x"_s),
                                          threadMessage(u"b1"_s, u"B"_s, 5000),
                                          threadMessage(u"a2"_s, u"A"_s, 2000, {}, {}, u"Re: x"_s),
                                          threadMessage(u"a1"_s, u"A"_s, 1000, {}, {}, u"x"_s)};
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
        const QList<MessageSummary> ties{threadMessage(u"second"_s, u"T"_s, 7),
                                         threadMessage(u"first"_s, u"T"_s, 7),
                                         threadMessage(u"second"_s, u"T"_s, 7)};
        const ThreadSummary tied = ThreadSummary::group(ties).constFirst();
        QCOMPARE(tied.messages.size(), 3);
        QCOMPARE(tied.messages[1].id(), u"first"_s);

        QVERIFY(ThreadSummary::group({}).isEmpty());

        const QString ana = u"Ana"_s;
        ThreadSummary thread{
            u"t"_s,
            {threadMessage(u"1"_s, u"t"_s, 1, ana, u"a@x.pt"_s),
             threadMessage(u"2"_s, u"t"_s, 2, {}, u"b@x.pt"_s, u"Assunto tardio"_s, {u"UNREAD"_s}),
             threadMessage(u"3"_s, u"t"_s, 3, ana, u"c@x.pt"_s)},
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

    void unreadableCacheGivesEmptyStateAndIsLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("contents");
        MailStore::State state;
        state.historyId = u"5"_s;
        state.summaries.insert(summary(u"a"_s, 1));
        const QByteArray valid = MailJson::encodeCache(state);
        QTest::newRow("not json") << QByteArray("não é json");
        QTest::newRow("truncated") << valid.left(valid.size() / 2);
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("no loadedLabels")
            << QByteArray(R"({"historyId":"","summaries":{},"labels":[]})");
        QTest::newRow("historyId as number")
            << QByteArray(R"({"historyId":5,"summaries":{},"labels":[],"loadedLabels":[]})");
        QTest::newRow("lastSync as text") << QByteArray(
            R"({"historyId":"","summaries":{},"labels":[],"loadedLabels":[],"lastSync":"ontem"})");
    }

    void unreadableCacheGivesEmptyStateAndIsLeftAlone()
    {
        QFETCH(QByteArray, contents);
        QVERIFY(QDir().mkpath(folder()) && writeFile(cachePath(), contents));

        MailStore store(m_email, base());
        QCOMPARE(store.snapshot(), MailStore::State{});
        QCOMPARE(readFile(cachePath()), contents);

        store.markLabelLoaded(inbox);
        QCOMPARE(MailStore(m_email, base()).snapshot().loadedLabels, QSet<QString>{inbox});
    }

    void cachesReadAheadOpenAsTheirFiles()
    {
        {
            MailStore store(m_email, base());
            store.upsert({summary(u"a"_s, 1)});
            store.setHistoryId(u"7"_s);
        }
        const QString large = u"grande@x.pt"_s;
        MailStore(large, base())
            .upsert({summary(u"g1"_s, 1), summary(u"g2"_s, 2), summary(u"g3"_s, 3)});
        const QString absent = u"ninguem@x.pt"_s;
        CachePreload preload({m_email, large, absent, u".."_s}, base());
        {
            MailStore store(large, base(), systemWallClock(), preload.take(large));
            store.loaded().waitForFinished();
            QCOMPARE(store.summaryCount(), 3);
        }
        {
            MailStore store(m_email, base(), systemWallClock(), preload.take(m_email));
            store.loaded().waitForFinished();
            QCOMPARE(store.snapshot().historyId, u"7"_s);
            QCOMPARE(store.summaryCount(), 1);
            // Once only; a later store of the account reads its file.
            QVERIFY(!preload.take(m_email));
            store.upsert({summary(u"b"_s, 2)});
        }
        std::optional<MailStore::ReadAhead> missing = preload.take(absent);
        QVERIFY(missing && !missing->firstScreen && !missing->state.get());
        QVERIFY(!preload.take(u"outro@x.pt"_s));
        // Each cache and its first-screen record.
        QCOMPARE(filesUnder(base()).size(), 4);

        // Read ahead while another store of the file still had a change to
        // write: the newer file wins over what was read.
        CachePreload stale({m_email, large}, base());
        std::optional<MailStore::ReadAhead> early = stale.take(m_email);
        QCOMPARE(early->firstScreen->summaries.size(), 2);
        MailStore open(m_email, base());
        open.upsert({summary(u"c"_s, 3)});
        MailStore again(m_email, base(), systemWallClock(), std::move(early));
        QCOMPARE(again.summaryCount(), 3);
    }

    void recordIsWrittenWithTheCacheAndGroupsAsIt()
    {
        MailStore store(m_email, base());
        QList<MessageSummary> all;
        for (int t = 0; t < 150; ++t) {
            const QString thread = u"t%1"_s.arg(t);
            all << summary(u"m%1a"_s.arg(t), thread, 1000 * t, {inbox})
                << summary(u"m%1b"_s.arg(t), thread, 1000 * t + 500, {inbox, u"UNREAD"_s});
        }
        // An old message of the newest conversation is listed with it; the
        // account's reply is not in the inbox, a trashed message not listed.
        all << summary(u"old"_s, u"t149"_s, 1, {inbox})
            << summary(u"sent"_s, u"t149"_s, 999999, {u"SENT"_s})
            << summary(u"trashed"_s, u"tx"_s, 999999, {inbox, u"TRASH"_s});
        store.upsert(all);
        store.setLabels({LabelInfo{inbox, inbox, u"system"_s, 300, 150}});
        store.setLabelPages(inbox, LabelPages{3, u"p3"_s, false});
        store.flush();

        const std::optional<MailStoreState> record =
            FirstScreen::read(recordPath(m_email), m_email);
        QVERIFY(record);
        const MailStoreState full = store.snapshot();
        QCOMPARE(record->labels, full.labels);
        QCOMPARE(record->labelPages.value(inbox), full.labelPages.value(inbox));
        QCOMPARE(record->summaries.size(), 2 * FirstScreen::threadCount + 1);
        QCOMPARE(threadsOf(*record, inbox),
                 threadsOf(full, inbox).mid(0, FirstScreen::threadCount));
        // Written after the cache: never newer than it.
        QVERIFY(QFileInfo(recordPath(m_email)).lastModified() >=
                QFileInfo(cachePath()).lastModified());

        // The record names its account; a removed account loses it too.
        QVERIFY(!FirstScreen::read(recordPath(m_email), m_large));
        store.wipe();
        QVERIFY(!QFile::exists(recordPath(m_email)));
    }

    void recordIsShownUntilTheCacheWins()
    {
        const auto a = summary(u"a"_s, u"ta"_s, 100, {inbox});
        const auto b = summary(u"b"_s, u"tb"_s, 200, {inbox});
        const auto ghost = summary(u"ghost"_s, u"tg"_s, 300, {inbox});
        MailStoreState cache;
        cache.summaries.insert(a);
        cache.summaries.insert(b);
        cache.labels = {LabelInfo{inbox, inbox, u"system"_s, 2, 0}};
        // The record still has a message deleted since, and older counts.
        MailStoreState record;
        record.summaries.insert(a);
        record.summaries.insert(ghost);
        record.labels = {LabelInfo{inbox, inbox, u"system"_s, 2, 1}};

        std::promise<std::optional<MailStoreState>> decoding;
        MailStore store(m_email, base(), systemWallClock(),
                        MailStore::ReadAhead{decoding.get_future(), record});
        // A failed check must not leave the store waiting for its cache.
        const auto decoded = qScopeGuard([&decoding] {
            try {
                decoding.set_value(std::nullopt);
            } catch (const std::future_error&) {
            }
        });
        QVERIFY(!store.isLoaded() && !store.loaded().isFinished());
        QCOMPARE(valuesOf(store.summaries(inbox), &MessageSummary::id),
                 (QStringList{u"ghost"_s, u"a"_s}));
        QCOMPARE(store.snapshot().labels, record.labels);

        // A change taken meanwhile lands on the cache, and nothing is written
        // before the cache is in: the record is not the account's mail.
        store.addPendingChanges({PendingChange::labels({u"ta"_s}, {}, {inbox})});
        QCOMPARE(valuesOf(store.summaries(inbox), &MessageSummary::id), QStringList{u"ghost"_s});
        auto flushed = std::async(std::launch::async, [&store] { store.flush(); });
        QCOMPARE(flushed.wait_for(MailStore::writeDelay() * 4), std::future_status::timeout);
        QVERIFY(!QFile::exists(cachePath()));

        decoding.set_value(cache);
        store.loaded().waitForFinished();
        flushed.get();
        QVERIFY(store.isLoaded());
        QCOMPARE(valuesOf(store.summaries(inbox), &MessageSummary::id), QStringList{u"b"_s});
        QCOMPARE(store.snapshot().labels, cache.labels);
        const std::optional<MailStoreState> written = MailJson::decodeCache(readFile(cachePath()));
        QVERIFY(written && !written->summaries.find(u"ghost"_s));
        QCOMPARE(written->summaries.find(u"a"_s)->labelIds(), QStringList{});
        QCOMPARE(written->summaries.find(u"b"_s)->labelIds(), QStringList{inbox});
        QCOMPARE(written->summaries.size(), 2);
    }

    void damagedOrForeignRecordOnlyCostsItsSpeed_data()
    {
        QTest::addColumn<QByteArray>("record");
        MailStoreState state;
        state.summaries.insert(summary(u"x"_s, u"tx"_s, 1, {inbox}));
        const QByteArray whole = FirstScreen::encode(m_email, state);
        QTest::newRow("truncated") << whole.left(whole.size() - 10);
        QTest::newRow("header only") << whole.left(whole.indexOf('\n') + 1);
        QTest::newRow("not a record") << QByteArray("{\"historyId\":\"\"}");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("binary") << QByteArray("\0\xff\xfe\n\0", 5);
        QTest::newRow("another account's")
            << FirstScreen::encode(u"rui@exemplo.pt"_s, MailStoreState{});
    }

    void damagedOrForeignRecordOnlyCostsItsSpeed()
    {
        QFETCH(QByteArray, record);
        {
            MailStore(m_email, base()).upsert({summary(u"a"_s, u"ta"_s, 1, {inbox})});
            MailStore(m_large, base())
                .upsert(
                    {summary(u"g1"_s, u"tg"_s, 1, {inbox}), summary(u"g2"_s, u"tg"_s, 2, {inbox})});
        }
        const QByteArray cache = readFile(cachePath());
        QVERIFY(writeFile(recordPath(m_email), record));
        QVERIFY(writeFile(recordPath(m_large), record));

        CachePreload preload({m_email, m_large}, base());
        std::optional<MailStore::ReadAhead> read = preload.take(m_email);
        QVERIFY(read && !read->firstScreen);
        // Without a record the largest cache is read by its own store.
        QVERIFY(!preload.take(m_large));
        MailStore store(m_email, base(), systemWallClock(), std::move(read));
        QVERIFY(store.isLoaded());
        QCOMPARE(valuesOf(store.summaries(inbox), &MessageSummary::id), QStringList{u"a"_s});
        QCOMPARE(MailStore(m_large, base()).summaryCount(), 2);
        QCOMPARE(readFile(cachePath()), cache);

        // The next write puts a sound record back.
        store.upsert({summary(u"b"_s, u"tb"_s, 2, {inbox})});
        store.flush();
        const std::optional<MailStoreState> rewritten =
            FirstScreen::read(recordPath(m_email), m_email);
        QVERIFY(rewritten);
        QCOMPARE(rewritten->summaries.size(), 2);
    }

    void optionalLastSyncAndUnknownKeys()
    {
        QVERIFY(QDir().mkpath(folder()));
        QVERIFY(writeFile(cachePath(),
                          R"({"historyId":"7","summaries":{},"labels":[],"loadedLabels":["X"],)"
                          R"("lastSync":null,"future":[1,{"a":2}]})"));
        const MailStore::State state = MailStore(m_email, base()).snapshot();
        QCOMPARE(state.historyId, u"7"_s);
        QVERIFY(!state.lastSync);

        QVERIFY(writeFile(cachePath(),
                          R"({"historyId":"7","summaries":{},"labels":[],"loadedLabels":[],)"
                          R"("lastSync":786000000.25})"));
        const auto lastSync = MailStore(m_email, base()).snapshot().lastSync;
        QCOMPARE(lastSync, QDateTime(QDate(2025, 11, 28), QTime(5, 20, 0, 250), Qt::UTC));
    }

    void mutationsReplaceWholesale()
    {
        MailStore store(m_email, base());
        store.upsert({summary(u"old"_s, 10, {inbox, unread}), summary(u"new"_s, 30),
                      summary(u"mid"_s, 20, {u"SENT"_s}), summary(u"mid"_s, 20)});
        store.upsert({summary(u"old"_s, 10, {inbox})});

        const QList<MessageSummary> listed = store.summaries(inbox);
        QCOMPARE(listed.size(), 3);
        QCOMPARE(listed[0].id(), u"new"_s);
        QCOMPARE(listed[2].id(), u"old"_s);
        QVERIFY(store.summaries(unread).isEmpty() && store.summaries(u"SENT"_s).isEmpty());
        QVERIFY(store.summaries(u"inbox"_s).isEmpty());

        // Removing unknown ids still rewrites the file.
        QFile::remove(cachePath());
        store.removeMessages({u"nope"_s});
        QCOMPARE(MailStore(m_email, base()).snapshot().summaries.size(), 3);
        store.removeMessages({u"new"_s, u"old"_s});
        QCOMPARE(MailStore(m_email, base()).snapshot().summaries.keys(), QList<QString>{u"mid"_s});

        store.setLabels({LabelInfo{inbox, inbox, u"system"_s, 0, 0}});
        store.setLabels({});
        QVERIFY(MailStore(m_email, base()).snapshot().labels.isEmpty());

        store.wipe();
        QCOMPARE(store.snapshot(), MailStore::State{});
        QVERIFY(!QFile::exists(cachePath()));
        QVERIFY(QFileInfo(folder()).isDir());

        // Sync work of the removed account that was still in flight lands now.
        store.setHistoryId(u"99"_s);
        store.setLabels({LabelInfo{inbox, inbox, u"system"_s, 1, 1}});
        store.markLabelLoaded(inbox);
        store.upsert({summary(u"b"_s, 2)});
        store.removeMessages({u"mid"_s});
        QVERIFY(!QFile::exists(cachePath()));
        QCOMPARE(store.snapshot(), MailStore::State{});
    }

    void snapshotsKeepTheirStateWhileTheStoreChanges()
    {
        MailStore store(m_email, base());
        QList<MessageSummary> all;
        for (int i = 0; i < 12000; ++i)
            all.append(summary(u"m%1"_s.arg(i), i));
        store.upsert(all);
        const MailStore::State before = store.snapshot();

        store.upsert({summary(u"m7"_s, 7, {unread}), summary(u"x"_s, 1)});
        store.removeMessages({u"m8"_s, u"m9"_s, u"absent"_s});

        QCOMPARE(before.summaries.size(), 12000);
        QCOMPARE(before.summaries.value(u"m7"_s).labelIds(), QStringList{inbox});
        QVERIFY(before.summaries.contains(u"m8"_s));
        QVERIFY(!before.summaries.find(u"x"_s));

        const MailStore::State after = store.snapshot();
        QCOMPARE(after.summaries.size(), 11999);
        QCOMPARE(after.summaries.find(u"m7"_s)->labelIds(), QStringList{unread});
        QVERIFY(!after.summaries.contains(u"m9"_s));
        // Iteration visits each summary once, under its own id.
        QSet<QString> seen;
        for (const MessageSummary& each : after.summaries)
            seen.insert(each.id());
        QCOMPARE(seen.size(), 11999);
        const QStringList keys = after.summaries.keys();
        QCOMPARE(seen, QSet<QString>(keys.cbegin(), keys.cend()));
        QVERIFY(before != after);
    }

    void unsafeEmailsNeverTouchTheDisk_data()
    {
        QTest::addColumn<QString>("email");
        QTest::newRow("parent") << u".."_s;
        QTest::newRow("self") << u"."_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("path") << u"../../etc/x@y.pt"_s;
        QTest::newRow("slash") << u"a/b@c.pt"_s;
        QTest::newRow("nul") << (u"a"_s + QChar(0) + u"@b.pt"_s);
    }

    void unsafeEmailsNeverTouchTheDisk()
    {
        QFETCH(QString, email);
        const QString root = base();
        const QString nested = root + u"/inner/base"_s;
        QVERIFY(QDir().mkpath(nested) && writeFile(root + u"/inner/cache.json"_s, "sentinel"));

        MailStore store(email, nested);
        store.upsert({summary(u"a"_s, 1)});
        store.markLabelLoaded(inbox);
        QCOMPARE(store.snapshot().summaries.size(), 1);
        store.wipe();
        QVERIFY(store.filePath().isEmpty());
        OfflineThreads threads(email, nested, 1 << 20);
        threads.save(u"t1"_s, conversation(u"t1"_s));
        QVERIFY(!threads.load(u"t1"_s));
        QCOMPARE(filesUnder(root), QStringList{root + u"/inner/cache.json"_s});
        QCOMPARE(readFile(root + u"/inner/cache.json"_s), QByteArray("sentinel"));
    }

    void concurrentWritersAreSerialised()
    {
        MailStore store(m_email, base());
        QList<QThread*> threads;
        for (int t = 0; t < 4; ++t) {
            threads.append(QThread::create([&store, t] {
                for (int i = 0; i < 25; ++i) {
                    store.upsert({summary(u"%1-%2"_s.arg(t).arg(i), i)});
                    store.summaries(inbox);
                }
            }));
            threads.last()->start();
        }
        for (QThread* thread : threads) {
            QVERIFY(thread->wait(120000));
            delete thread;
        }
        QCOMPARE(store.snapshot().summaries.size(), 100);
        QCOMPARE(MailStore(m_email, base()).snapshot(), store.snapshot());
    }

    // A large cache, written in several slices, is decoded while the parsed
    // text of what is already decoded is given back page by page; every
    // summary must come out whole whatever its size, escapes and position.
    void stateSurvivesANewStore()
    {
        MailStore::State expected;
        QList<MessageSummary> all;
        for (int i = 0; i < 6000; ++i) {
            const QString id = u"m%1"_s.arg(i);
            const QString text = QString(i % 700, QChar(u'a' + i % 26)) + u"\"çã\\\n\t\u0001€"_s +
                                 QString::number(i);
            all.append(MessageSummary{id,
                                      i % 3 ? id : u"t%1"_s.arg(i / 3),
                                      {inbox, i % 2 ? unread : u"Label_%1"_s.arg(i)},
                                      text,
                                      text.left(i % 40),
                                      u"p%1@x.pt"_s.arg(i),
                                      text.right(i % 90),
                                      qint64(i) * 1000003});
            expected.summaries.insert(all.last());
        }
        expected.labels = {LabelInfo{u"Label_9"_s, u"Ñ"_s, u"user"_s, 12, 3},
                           LabelInfo{inbox, inbox, u"system"_s, 1, 0}};
        expected.loadedLabels = {inbox};
        expected.historyId = u"77"_s;
        {
            MailStore store(m_email, base());
            // Fresh, it is empty and writes nothing until it changes.
            QCOMPARE(store.snapshot(), MailStore::State{});
            QVERIFY(!QFile::exists(cachePath()));
            store.setLabels(expected.labels);
            store.upsert(all);
            store.markLabelLoaded(inbox);
            store.setHistoryId(u"77"_s);
            expected.lastSync = store.snapshot().lastSync;
        }
        QVERIFY(expected.lastSync);
        QVERIFY(QFileInfo(cachePath()).size() > 2 << 20);
        QCOMPARE(MailStore(m_email, base()).snapshot(), expected);
    }

    void writesAreCoalescedAndFlushed()
    {
        const auto onDisk = [&] { return MailJson::decodeCache(readFile(cachePath())); };
        {
            MailStore store(m_email, base());
            for (int i = 0; i < 100; ++i) {
                store.upsert({summary(u"m%1"_s.arg(i), i)});
                // Whatever moment it is read at, the file holds one whole state.
                if (QFile::exists(cachePath()))
                    QVERIFY(onDisk());
            }
            // The newest state reaches the disk on its own, in one or a few
            // writes rather than one per change.
            QTRY_COMPARE_WITH_TIMEOUT(onDisk().value_or(MailStore::State{}).summaries.size(), 100,
                                      30000);
            QVERIFY2(store.writeCount() <= 10, qPrintable(QString::number(store.writeCount())));

            store.setHistoryId(u"41"_s);
            store.flush();
            QCOMPARE(onDisk()->historyId, u"41"_s);

            // The last change before the program ends is not lost.
            store.removeMessages({u"m0"_s});
            store.setHistoryId(u"42"_s);
        }
        QCOMPARE(onDisk()->historyId, u"42"_s);
        QCOMPARE(onDisk()->summaries.size(), 99);
    }

    void failedWriteLeavesThePreviousCacheWhole()
    {
        // A write that fails half-way (here a file-size limit, in life a full
        // disk) must leave the previous cache readable, never a truncated one.
        const auto runWriter = [&](int batches, const QStringList& limit = {}) {
            QProcess writer;
            writer.start(QStringLiteral(STORE_WRITER),
                         QStringList{u"batches"_s, base(), m_email, QString::number(batches)} +
                             limit);
            if (!writer.waitForFinished(120000) || writer.exitCode() != 0)
                return -1;
            return writer.readAllStandardOutput().trimmed().toInt();
        };
        QCOMPARE(runWriter(2), 2000);
        const QByteArray before = readFile(cachePath());

        const QString limit = QString::number(before.size() + before.size() / 4);
        QCOMPARE(runWriter(1, {limit}), 3000); // in memory the change stays
        QCOMPARE(readFile(cachePath()), before);
        QCOMPARE(MailStore(m_email, base()).snapshot().summaries.size(), 2000);
    }

    // The cache when the program dies at any moment: a process changes a
    // large store step after step and is killed at random moments; every
    // time, the file must decode to the state of one of the steps, and the
    // next run must go on from it.
    void killedWritersLeaveAStateThatWasCurrent()
    {
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        qint64 lastSeen = -1; // the newest step found on disk so far
        for (int round = 0; round < 30; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(STORE_WRITER), {u"churn"_s, base(), m_email});
            QVERIFY(writer.waitForStarted(60000));
            for (int steps = 1 + int(random.bounded(4)); steps > 0;) {
                if (!writer.canReadLine())
                    QVERIFY2(writer.waitForReadyRead(120000), "the writer stopped stepping");
                else if (!writer.readLine().isEmpty())
                    --steps;
            }
            writer.kill();
            QVERIFY(writer.waitForFinished(60000));
            if (!QFile::exists(cachePath())) {
                // The empty store of the start was current too, but only then.
                QCOMPARE(lastSeen, -1);
                continue;
            }
            QString error;
            const auto state = MailJson::decodeCache(readFile(cachePath()), &error);
            QVERIFY2(state, qPrintable(error));
            QCOMPARE(state->summaries.size(), s_blocks * s_blockSize);
            qint64 step = 0;
            for (const MessageSummary& summary : state->summaries)
                step = std::max(step, summary.subject().toLongLong());
            for (const MessageSummary& summary : state->summaries) {
                QCOMPARE(summary.subject().toLongLong(),
                         writtenAt(summary.id().mid(1).toInt(), step));
                QCOMPARE(summary.snippet(), QString(200, u'ç'));
            }
            // Nothing on disk goes back in time.
            QVERIFY(step >= lastSeen);
            lastSeen = step;
        }
    }

    void privateWhateverTheUmaskAndNewestThreadsKeptWithinTheLimit()
    {
        const qint64 one = MailJson::encode(StoredThread{u"t1"_s, conversation(u"t1"_s)}).size();
        const qint64 limit = 4 * one + one / 2;
        const mode_t previous = ::umask(0);
        QDir().mkpath(folder());
        QFile::setPermissions(folder(), QFile::Permissions(0x7755));
        {
            MailStore store(m_email, base());
            store.upsert({summary(u"a"_s, 1)});
            store.upsert({summary(u"b"_s, 2)});
            OfflineThreads threads(m_email, base(), limit);
            QVERIFY(!threads.load(u"t1"_s));
            for (const QString& id : {u"t1"_s, u"t2"_s, u"t3"_s, u"t4"_s})
                threads.save(id, conversation(id));
            // Read again, t1 counts as new: t2 is the oldest when t5 comes.
            QCOMPARE(threads.load(u"t1"_s), conversation(u"t1"_s));
            threads.save(u"t5"_s, conversation(u"t5"_s));
            QVERIFY(!threads.load(u"t2"_s));
            QVERIFY(!QFile::exists(threadPath(u"t2"_s)));
            QVERIFY(threads.storedBytes() <= limit);
        }
        ::umask(previous);
        QCOMPARE(modeOf(folder()), mode_t(0700));
        QCOMPARE(modeOf(cachePath()), mode_t(0600));
        QCOMPARE(modeOf(threadsFolder()), mode_t(0700));
        QCOMPARE(modeOf(threadPath(u"t5"_s)), mode_t(0600));

        // The next run knows the order from the files; a smaller limit lets
        // the oldest go at once, and one conversation larger than the limit
        // on its own is not kept (nor its older copy).
        OfflineThreads again(m_email, base(), limit);
        again.setLimit(2 * one + one / 2);
        QCOMPARE(again.load(u"t5"_s), conversation(u"t5"_s));
        QCOMPARE(again.load(u"t1"_s), conversation(u"t1"_s));
        QVERIFY(!again.load(u"t3"_s));
        QVERIFY(!again.load(u"t4"_s));
        again.save(u"t5"_s, conversation(u"t5"_s, 4000));
        QVERIFY(!again.load(u"t5"_s));
        QCOMPARE(again.load(u"t1"_s), conversation(u"t1"_s));
        again.setLimit(0);
        QCOMPARE(again.storedBytes(), 0);
        QVERIFY(!again.load(u"t1"_s));
    }

    void strangeIdsAndFilesAreHarmless()
    {
        // Ids that could name a path elsewhere are hashed; each reads back
        // only as itself.
        const QStringList ids{
            u"../../cache"_s,  u"a/b"_s,  u"."_s,        u""_s,
            QString(65, u'a'), u"ação"_s, u"sha256=x"_s, u"t"_s + QChar(0) + u"x"_s};
        const QString outside = m_base->filePath(u"cache.json"_s);
        QVERIFY(writeFile(outside, "intocável"));
        {
            OfflineThreads threads(m_email, base(), 1 << 20);
            for (const QString& id : ids)
                threads.save(id, conversation(id, 10));
            for (const QString& id : ids) {
                QCOMPARE(threads.load(id), conversation(id, 10));
                QCOMPARE(QFileInfo(threadPath(id)).dir().path(), threadsFolder());
            }
            QCOMPARE(QDir(threadsFolder()).entryList(QDir::Files).size(), ids.size());
        }
        QCOMPARE(readFile(outside), QByteArray("intocável"));

        // Files that are corrupt, name another conversation, are links or
        // were left by a write cut short: read as absent and removed, and
        // nothing outside the folder is touched.
        QVERIFY(writeFile(threadPath(u"t1"_s), "{\"threadId\":\"t1\",\"messages\":[{\"id\":"));
        QVERIFY(writeFile(threadPath(u"t2"_s),
                          MailJson::encode(StoredThread{u"t3"_s, conversation(u"t3"_s)})));
        QVERIFY(QFile::link(outside, threadPath(u"t4"_s)));
        QVERIFY(writeFile(QDir(threadsFolder()).filePath(u"t5.json.aB12cD"_s), "meio"));
        OfflineThreads threads(m_email, base(), 1 << 20);
        for (const QString& id : {u"t1"_s, u"t2"_s, u"t4"_s}) {
            QVERIFY(!threads.load(id));
            QVERIFY(!QFileInfo::exists(threadPath(id)) && !QFileInfo(threadPath(id)).isSymLink());
        }
        QVERIFY(!QFile::exists(QDir(threadsFolder()).filePath(u"t5.json.aB12cD"_s)));
        QCOMPARE(readFile(outside), QByteArray("intocável"));
        QCOMPARE(threads.load(ids.first()), conversation(ids.first(), 10));

        // Wiped: the folder goes and a late save does not bring it back.
        threads.wipe();
        QVERIFY(!QFileInfo::exists(threadsFolder()));
        threads.save(u"t9"_s, conversation(u"t9"_s));
        QVERIFY(!QFileInfo::exists(threadsFolder()));
        QCOMPARE(readFile(outside), QByteArray("intocável"));
    }

    void keepsChangesAcrossRestartsPrivately()
    {
        const QString path = m_base->filePath(u"conta/journal.json"_s);
        quint64 starId = 0;
        {
            ChangeJournal journal(path);
            bool written = false;
            const PendingChange star = journal.record(
                PendingChange::labels(QStringList(u"t1"_s), {u"STARRED"_s}, {}), &written);
            QVERIFY(written);
            starId = star.id;
            journal.record(PendingChange::trash(QStringList(u"t2"_s)));
            journal.record(PendingChange::untrash(QStringList(u"t3"_s)));
            journal.remove(starId);
        }
        QCOMPARE(QFile::permissions(path) & 0x0077, QFileDevice::Permissions());
        ChangeJournal reopened(path);
        QVERIFY(!reopened.damagedFile());
        QCOMPARE(reopened.changes().size(), 2);
        QCOMPARE(reopened.changes().at(0).kind, PendingChange::Kind::Trash);
        QCOMPARE(reopened.changes().at(0).remove, QStringList({u"INBOX"_s, u"SPAM"_s}));
        QCOMPARE(reopened.changes().at(1).kind, PendingChange::Kind::Untrash);
        // Ids never come back, even after the newest change left.
        QVERIFY(reopened.record(PendingChange::trash(QStringList(u"t4"_s))).id >
                reopened.changes().at(1).id);
        QVERIFY(reopened.changes().at(0).id > starId);
    }

    void setsAsideWhatIsNotAJournal_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray change =
            R"({"id":1,"kind":"labels","thread":"t","add":[],"remove":["INBOX"],"subject":"",)"
            R"("made":""})";
        const auto with = [&](const char* from, const char* to) {
            return QByteArray(change).replace(from, to);
        };
        const auto journal = [](int next, const QByteArray& changes) -> QByteArray {
            return R"({"version":1,"next":)" + QByteArray::number(next) + R"(,"changes":[)" +
                   changes + "]}";
        };
        QTest::addRow("garbage") << QByteArray("\x00\xff{{", 4);
        QTest::addRow("truncated") << journal(2, change).chopped(2);
        QTest::addRow("other version") << journal(2, {}).replace("\"version\":1", "\"version\":2");
        QTest::addRow("unknown kind") << journal(2, with("labels", "burn"));
        QTest::addRow("id not below next") << journal(1, change);
        QTest::addRow("fraction id") << journal(9, with("\"id\":1", "\"id\":1.5"));
        QTest::addRow("label not text") << journal(2, with("[\"INBOX\"]", "[7]"));
        QTest::addRow("no thread") << journal(2, with("\"t\"", "\"\""));
    }

    void setsAsideWhatIsNotAJournal()
    {
        QFETCH(QByteArray, bytes);
        const QString path = m_base->filePath(u"journal.json"_s);
        QVERIFY(writeFile(path, bytes));

        ChangeJournal journal(path);
        QVERIFY(journal.isEmpty());
        QCOMPARE(journal.damagedFile(), std::optional(path + u".damaged-1"_s));
        QCOMPARE(readFile(*journal.damagedFile()), bytes);
        // Recording starts a sound journal beside it.
        journal.record(PendingChange::trash(QStringList(u"t"_s)));
        QCOMPARE(ChangeJournal(path).changes().size(), 1);
    }

    void killedWritersLoseAtMostTheChangeInFlight()
    {
        const QString path = m_base->filePath(u"journal.json"_s);
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        QStringList confirmed;
        for (int round = 0; round < 20; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(STORE_WRITER), {u"journal"_s, path});
            QVERIFY(writer.waitForStarted(60000));
            for (int steps = 1 + int(random.bounded(6)); steps > 0;) {
                if (!writer.canReadLine()) {
                    QVERIFY2(writer.waitForReadyRead(60000), "the writer stopped writing");
                    continue;
                }
                confirmed.append(QString::fromLatin1(writer.readLine().trimmed()));
                --steps;
            }
            QTest::qWait(int(random.bounded(5)));
            writer.kill();
            writer.waitForFinished();
            confirmed.append(
                QString::fromLatin1(writer.readAll()).split(u'\n', Qt::SkipEmptyParts));

            ChangeJournal journal(path);
            QVERIFY2(!journal.damagedFile(), "a killed write left a file that does not decode");
            // Every confirmed change is there in order, and at most one more:
            // the one in flight.
            const qsizetype n = journal.changes().size();
            QVERIFY2(n == confirmed.size() || n == confirmed.size() + 1,
                     qPrintable(u"%1 on disk, %2 confirmed"_s.arg(n).arg(confirmed.size())));
            for (qsizetype i = 0; i < n; ++i)
                QCOMPARE(journal.changes().at(i).threadIds, QStringList(u"t%1"_s.arg(i)));
            if (n > confirmed.size())
                confirmed.append(journal.changes().last().threadIds.constFirst());
        }
    }

    void pendingChangesStayOnTopOfWhatGoogleSays()
    {
        MailStore store(u"ana@exemplo.pt"_s, QString());
        store.upsert({summary(u"a"_s, u"t1"_s, 1, {u"INBOX"_s, u"UNREAD"_s}),
                      summary(u"b"_s, u"t1"_s, 1, {u"INBOX"_s}),
                      summary(u"c"_s, u"t2"_s, 1, {u"INBOX"_s, u"STARRED"_s})});
        PendingChange archive = PendingChange::labels(QStringList(u"t1"_s), {}, {u"INBOX"_s});
        archive.id = 1;
        PendingChange trash = PendingChange::trash(QStringList(u"t2"_s));
        trash.id = 2;
        store.addPendingChanges({archive, trash});
        QCOMPARE(labelsOf(store, u"a"_s), QStringList{u"UNREAD"_s});
        // The trash is listed only there, as Gmail lists it.
        QVERIFY(store.summaries(u"STARRED"_s).isEmpty());
        QCOMPARE(store.summaries(u"TRASH"_s).size(), 1);

        // A synchronisation that began before the archive went brings the
        // thread as it was: the change stays on top.
        const quint64 before = store.pendingStamp();
        store.markChangeSent(archive.id);
        store.upsert({summary(u"a"_s, u"t1"_s, 1, {u"INBOX"_s, u"UNREAD"_s})});
        store.settlePendingChanges(before);
        store.upsert({summary(u"a"_s, u"t1"_s, 1, {u"INBOX"_s})});
        QCOMPARE(labelsOf(store, u"a"_s), QStringList());
        // One that began after it was sent settles it: Google's word stands.
        store.settlePendingChanges(store.pendingStamp());
        store.upsert({summary(u"a"_s, u"t1"_s, 1, {u"IMPORTANT"_s})});
        QCOMPARE(labelsOf(store, u"a"_s), QStringList{u"IMPORTANT"_s});

        // Refused: undone at once, but not back into the spam.
        store.dropPendingChange(trash.id, true);
        QCOMPARE(labelsOf(store, u"c"_s), QStringList({u"STARRED"_s, u"INBOX"_s}));
        QCOMPARE(store.pendingChanges(), QList<PendingChange>());
    }

    void heapGrowthIsAdvisedWhenTheLoopWaits()
    {
        if (!QFile::exists(u"/sys/kernel/mm/transparent_hugepage/enabled"_s))
            QSKIP("this kernel has no huge pages to give");
        HeapGrowthAdvisor advisor;
        // Grown by hand: a sanitizer's allocator keeps off the heap. The
        // growth stays, untouched address space: the allocator may have
        // grown the heap past it meanwhile.
        constexpr intptr_t grown = 16 * 1024 * 1024;
        auto* start = static_cast<char*>(::sbrk(grown));
        QVERIFY(start != reinterpret_cast<char*>(-1));
        const char* middle = start + grown / 4;
        // Written before the loop waits: advised, the kernel would collapse
        // its huge page's worth later, holding the lock page faults need.
        char* touched = start + grown * 3 / 4;
        *touched = 1;
        QVERIFY(!advisedForHugePages(middle));

        QEventLoop waiting;
        QTimer::singleShot(20, &waiting, &QEventLoop::quit);
        waiting.exec();
        QVERIFY(advisedForHugePages(middle));
        QVERIFY(!advisedForHugePages(touched));
    }

    void heapTopIsFaultedInAStepAtATime()
    {
        // The heap grown as the program grows it: a step kept free on top.
        keepFreedMemoryForReuse();
        const std::unique_ptr<char, decltype(&std::free)> grown(
            static_cast<char*>(std::malloc(mallinfo2().keepcost + 1024 * 1024)), &std::free);
        QVERIFY(grown);
        constexpr std::size_t step = 2 * 1024 * 1024;
        constexpr std::size_t wanted = 3 * step;
        const std::size_t top = mallinfo2().keepcost;
        if (top < wanted + step)
            QSKIP("this allocator keeps no free top of its own (a sanitizer's)");
        char* const start = static_cast<char*>(::sbrk(0)) - top;
        QVERIFY(!resident(start + step, wanted - step));

        // A step per call, and the rest said.
        std::size_t left = faultInHeapTop(wanted, step);
        QVERIFY(left > 0 && left < wanted);
        int calls = 1;
        for (; left > 0 && calls < 10; ++calls)
            left = faultInHeapTop(wanted, step);
        QCOMPARE(left, std::size_t(0));
        QVERIFY(calls <= 4);
        QVERIFY(resident(start, wanted));
        // Ready already, it costs nothing more.
        QCOMPARE(faultInHeapTop(wanted, step), std::size_t(0));
    }
};

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
