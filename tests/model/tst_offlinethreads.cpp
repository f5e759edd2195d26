#include "TestFiles.h"
#include "model/FullMessage.h"
#include "model/MailJson.h"
#include "model/OfflineThreads.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vesk;
using namespace vesk::test;

namespace {

const QString email = u"zé@exemplo.pt"_s;

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

} // namespace

class TestOfflineThreads : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_base;

    QString folder() const { return OfflineThreads::folderPath(email, m_base->path()); }
    QString pathOf(const QString& threadId) const
    {
        return QDir(folder()).filePath(OfflineThreads::fileName(threadId));
    }

private slots:
    void init() { m_base = std::make_unique<QTemporaryDir>(); }

    void newestKeptWithinTheLimit()
    {
        const qint64 one = MailJson::encode(StoredThread{u"t1"_s, conversation(u"t1"_s)}).size();
        const qint64 limit = 4 * one + one / 2;
        const mode_t previous = ::umask(0);
        {
            OfflineThreads threads(email, m_base->path(), limit);
            QVERIFY(!threads.load(u"t1"_s));
            for (const QString& id : {u"t1"_s, u"t2"_s, u"t3"_s, u"t4"_s})
                threads.save(id, conversation(id));
            // Read again, t1 counts as new: t2 is the oldest when t5 comes.
            QCOMPARE(threads.load(u"t1"_s), conversation(u"t1"_s));
            threads.save(u"t5"_s, conversation(u"t5"_s));
            QVERIFY(!threads.load(u"t2"_s));
            QVERIFY(!QFile::exists(pathOf(u"t2"_s)));
            QVERIFY(threads.storedBytes() <= limit);
        }
        ::umask(previous);
        QCOMPARE(modeOf(folder()), mode_t(0700));
        QCOMPARE(modeOf(pathOf(u"t5"_s)), mode_t(0600));

        // The next run knows the order from the files; a smaller limit lets
        // the oldest go at once, and one conversation larger than the limit
        // on its own is not kept (nor its older copy).
        OfflineThreads again(email, m_base->path(), limit);
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
            OfflineThreads threads(email, m_base->path(), 1 << 20);
            for (const QString& id : ids)
                threads.save(id, conversation(id, 10));
            for (const QString& id : ids) {
                QCOMPARE(threads.load(id), conversation(id, 10));
                QCOMPARE(QFileInfo(pathOf(id)).dir().path(), folder());
            }
            QCOMPARE(QDir(folder()).entryList(QDir::Files).size(), ids.size());
        }
        QCOMPARE(readFile(outside), QByteArray("intocável"));

        // Files that are corrupt, name another conversation, are links or
        // were left by a write cut short: read as absent and removed, and
        // nothing outside the folder is touched.
        QVERIFY(writeFile(pathOf(u"t1"_s), "{\"threadId\":\"t1\",\"messages\":[{\"id\":"));
        QVERIFY(writeFile(pathOf(u"t2"_s),
                          MailJson::encode(StoredThread{u"t3"_s, conversation(u"t3"_s)})));
        QVERIFY(QFile::link(outside, pathOf(u"t4"_s)));
        QVERIFY(writeFile(QDir(folder()).filePath(u"t5.json.aB12cD"_s), "meio"));
        OfflineThreads threads(email, m_base->path(), 1 << 20);
        for (const QString& id : {u"t1"_s, u"t2"_s, u"t4"_s}) {
            QVERIFY(!threads.load(id));
            QVERIFY(!QFileInfo::exists(pathOf(id)) && !QFileInfo(pathOf(id)).isSymLink());
        }
        QVERIFY(!QFile::exists(QDir(folder()).filePath(u"t5.json.aB12cD"_s)));
        QCOMPARE(readFile(outside), QByteArray("intocável"));
        QCOMPARE(threads.load(ids.first()), conversation(ids.first(), 10));

        // Wiped: the folder goes and a late save does not bring it back.
        threads.wipe();
        QVERIFY(!QFileInfo::exists(folder()));
        threads.save(u"t9"_s, conversation(u"t9"_s));
        QVERIFY(!QFileInfo::exists(folder()));
        QCOMPARE(readFile(outside), QByteArray("intocável"));

        // An email that cannot name a folder keeps nothing anywhere.
        OfflineThreads unsafe(u"../x"_s, m_base->path(), 1 << 20);
        unsafe.save(u"t1"_s, conversation(u"t1"_s));
        QVERIFY(!unsafe.load(u"t1"_s));
        QCOMPARE(QDir(m_base->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{u"cache.json"_s, email}));
    }
};

QTEST_GUILESS_MAIN(TestOfflineThreads)
#include "tst_offlinethreads.moc"
