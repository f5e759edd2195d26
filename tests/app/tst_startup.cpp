// The start over a cache left by an earlier run: the window's first screen
// comes from the small record beside each cache, the whole cache replaces it
// once decoded and wins where they differ, and actions taken meanwhile act on
// the whole cache. (A record that cannot be used: tst_mailstore.)

#include "AppRig.h"
#include "TestFiles.h"
#include "model/FirstScreen.h"
#include "model/MailStore.h"

#include <QElapsedTimer>

using namespace vesk;
using namespace Qt::StringLiterals;
using namespace vesk::test;

namespace {

const QString ana = u"ana@exemplo.pt"_s;
const QString inbox = u"INBOX"_s;

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

    /// Three conversations cached by a first run; the path of the cache.
    static QString cacheThreeConversations(AppRig& rig, QList<fakegoogle::MessageRef>& messages)
    {
        for (const QString& subject : {u"Convite"_s, u"Fatura"_s, u"Reunião"_s})
            messages.append(rig.rig.deliver(ana, subject));
        rig.linkDirectly(ana);
        AppState app(rig.services());
        awaitTask(app.startAll());
        // The state's end writes the cache and its record.
        return app.sessions().first()->store()->filePath();
    }

    /// A state opened as the program opens one: the caches read ahead.
    static std::unique_ptr<AppState>
    startedAsTheProgram(AppRig& rig, CacheReadStart start = CacheReadStart::AtOnce)
    {
        AppServices services = rig.services();
        if (!AppState::readCachesAhead(services, start))
            return nullptr;
        return std::make_unique<AppState>(std::move(services));
    }

private Q_SLOTS:
    void wholeCacheWinsOverTheRecordAndActionsWaitForIt()
    {
        AppRig rig(QList{AccountIdentity{ana, u"Ana"_s}});
        QList<fakegoogle::MessageRef> messages;
        const QString cachePath = cacheThreeConversations(rig, messages);
        const QString recordPath = FirstScreen::filePathBeside(cachePath);
        std::optional<MailStoreState> record = FirstScreen::read(recordPath, ana);
        QVERIFY(record);
        QCOMPARE(record->summaries.size(), 3);
        // A conversation deleted at Gmail after the record was written.
        record->summaries.insert(MessageSummary{u"fantasma"_s,
                                                u"t-fantasma"_s,
                                                {inbox},
                                                u"Olá"_s,
                                                u"Zé"_s,
                                                u"ze@exemplo.pt"_s,
                                                u"Fantasma"_s,
                                                QDateTime::currentMSecsSinceEpoch()});
        QVERIFY(writeFile(recordPath, FirstScreen::encode(ana, *record)));

        const std::unique_ptr<AppState> app = startedAsTheProgram(rig);
        QVERIFY(app);
        // Archived before anything says whether the cache is in: the change
        // goes to the whole cache and on to Gmail.
        const fakegoogle::MessageRef fatura = messages.at(1);
        awaitTask(app->archive({fatura.threadId}));
        const std::shared_ptr<MailStore> store = app->sessions().first()->store();
        QVERIFY(store->isLoaded());
        QTRY_COMPARE_LONG(sortedSubjects(*app), (QStringList{u"Convite"_s, u"Reunião"_s}));
        QVERIFY(!store->snapshot().summaries.find(u"fantasma"_s));
        QCOMPARE(store->summaryCount(), 3);
        QTRY_VERIFY_LONG(!rig.google().labelIds(ana, fatura.id).contains(inbox));
        awaitTask(app->startAll());
        QCOMPARE(app->sessions().first()->lastError(), QString());
        QCOMPARE(sortedSubjects(*app), (QStringList{u"Convite"_s, u"Reunião"_s}));
    }

    void cacheHeldForTheFirstFrameLoadsWhenWanted()
    {
        AppRig rig(QList{AccountIdentity{ana, u"Ana"_s}});
        QList<fakegoogle::MessageRef> messages;
        cacheThreeConversations(rig, messages);
        const QStringList all{u"Convite"_s, u"Fatura"_s, u"Reunião"_s};
        {
            const auto app = startedAsTheProgram(rig, CacheReadStart::AfterFirstFrame);
            QVERIFY(app);
            const std::shared_ptr<MailStore> store = app->sessions().first()->store();
            QCOMPARE(sortedSubjects(*app), all);
            // The sync starts as the window shows, and waits with the read.
            const auto started = std::make_shared<bool>(false);
            [](AppState& state, std::shared_ptr<bool> done) -> QCoro::Task<> {
                co_await state.startAll();
                *done = true;
            }(*app, started);
            QTest::qWait(300);
            QVERIFY(!store->isLoaded());
            QVERIFY(!*started);
            app->loadCachesNow();
            QTRY_VERIFY_WITH_TIMEOUT(*started, 8000);
            QCOMPARE(store->summaryCount(), 3);
        }
        // An action does not wait for a frame.
        const auto app = startedAsTheProgram(rig, CacheReadStart::AfterFirstFrame);
        QVERIFY(app);
        const fakegoogle::MessageRef fatura = messages.at(1);
        QElapsedTimer clock;
        clock.start();
        awaitTask(app->archive({fatura.threadId}));
        QVERIFY(clock.elapsed() < 8000);
        QTRY_COMPARE_LONG(sortedSubjects(*app), (QStringList{u"Convite"_s, u"Reunião"_s}));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
