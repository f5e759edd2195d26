// The program started over what an earlier run left. The window's first
// screen comes from the small record beside each cache, the whole cache
// replaces it once decoded and wins where they differ, and actions taken
// meanwhile act on the whole cache. (A record that cannot be used:
// tst_mailstore.) Changes made with Google out of reach wait in the journal
// across a restart and land once Google is back, merged with what changed at
// Gmail meanwhile; a change Gmail refuses is undone and reported, and the
// others still land.

#include "AppRig.h"
#include "TestFiles.h"
#include "app/NoticeBoard.h"
#include "compose/ComposerSession.h"
#include "model/FirstScreen.h"
#include "model/MailStore.h"

#include <QElapsedTimer>

using namespace vesk;
using namespace Qt::StringLiterals;
using namespace vesk::test;

namespace {

const QString ana = u"ana@exemplo.pt"_s;
const QString inbox = u"INBOX"_s;

QStringList sorted(QStringList labels)
{
    labels.sort();
    return labels;
}

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

    /// Every message at Gmail is cached with Gmail's labels, and nothing else.
    static bool cacheEqualsMailbox(AppRig& rig, const AppState& app)
    {
        const auto cached = app.sessions().first()->store()->snapshot().summaries;
        const QStringList ids = rig.google().messageIds(ana);
        if (cached.size() != ids.size())
            return false;
        return std::all_of(ids.cbegin(), ids.cend(), [&](const QString& id) {
            const MessageSummary* summary = cached.find(id);
            return summary && sorted(summary->labelIds()) == sorted(rig.google().labelIds(ana, id));
        });
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

    void changesWaitThroughARestartAndLandOnceGoogleIsBack()
    {
        AppRig rig(QList{AccountIdentity{ana, u"Ana"_s}});
        const auto bill = rig.rig.deliver(ana, u"Fatura"_s);
        const auto invite = rig.rig.deliver(ana, u"Convite"_s);
        const auto meeting = rig.rig.deliver(ana, u"Reunião"_s);
        const auto offer = rig.rig.deliver(ana, u"Promoção"_s);
        const auto report = rig.rig.deliver(ana, u"Relatório"_s);
        const QString projects = rig.google().addLabel(ana, u"Projetos"_s);
        rig.linkDirectly(ana);

        // Made while Google listens: its addresses name the port it is
        // brought back on.
        const AppServices services = rig.services();
        auto app = std::make_unique<AppState>(services);
        awaitTask(app->startAll());
        QCOMPARE(app->visibleThreads().size(), 5);
        QVERIFY(!app->isOffline());

        // Out of reach: every change shows at once and waits.
        const quint16 port = rig.google().port();
        rig.google().stop();
        awaitTask(app->archive(QStringList{bill.threadId}));
        awaitTask(app->setLabel(QStringList{invite.threadId}, projects, true));
        awaitTask(app->setRead(QStringList{meeting.threadId}, true));
        awaitTask(app->trash(QStringList{offer.threadId}));
        // Gmail refuses this one when it finally arrives.
        awaitTask(app->setLabel(QStringList{report.threadId}, u"Label_apagada"_s, true));
        QVERIFY(app->isOffline());
        QCOMPARE(app->waitingChanges(), 5);
        // Messages wait in the outbox; Gmail refuses the first to arrive.
        const auto write = [&](const QString& subject) {
            app->startNewMessage();
            app->composer()->setTo(u"rui@exemplo.pt"_s);
            app->composer()->setSubject(subject);
            app->composer()->setBody(u"Segue em anexo."_s);
            app->composer()->addAttachments({{u"plano.pdf"_s, u"application/pdf"_s, "%PDF-1.4"}});
            QVERIFY(awaitTask(app->composer()->send()));
            QVERIFY(app->composer()->wasQueued());
            app->closeComposer(app->composer());
        };
        write(u"Recusada"_s);
        write(u"Proposta"_s);
        rig.google().addFault({.method = u"POST"_s,
                               .pathPattern = u".*/drafts/send"_s,
                               .status = 400,
                               .headers = {},
                               .body = R"({"error":{"code":400,"message":"Invalid To header",)"
                                       R"("status":"INVALID_ARGUMENT"}})"});
        QCOMPARE(app->waitingChanges(), 7);
        const QStringList shown{u"Convite"_s, u"Relatório"_s, u"Reunião"_s};
        QTRY_COMPARE(sortedSubjects(*app), shown);

        // Meanwhile, at Gmail: the web stars a conversation the journal
        // archives, and marks another read.
        rig.google().modifyMessage(ana, bill.id, {u"STARRED"_s}, {});
        rig.google().modifyMessage(ana, invite.id, {}, {u"UNREAD"_s});

        // A restart while still offline keeps every change, shown as made.
        app.reset();
        app = std::make_unique<AppState>(services);
        awaitTask(app->startAll());
        QCOMPARE(app->waitingChanges(), 7);
        QTRY_COMPARE(sortedSubjects(*app), shown);

        QVERIFY(rig.google().start(port));
        awaitTask(app->refresh());
        QTRY_COMPARE_WITH_TIMEOUT(app->waitingChanges(), 0, 60000);
        QVERIFY(!app->isOffline());

        const auto labels = [&](const fakegoogle::MessageRef& m) {
            return rig.google().labelIds(ana, m.id);
        };
        QVERIFY(!labels(bill).contains(inbox));
        QVERIFY(labels(bill).contains(u"STARRED"_s));
        QVERIFY(labels(invite).contains(projects) && !labels(invite).contains(u"UNREAD"_s));
        QVERIFY(!labels(meeting).contains(u"UNREAD"_s));
        QVERIFY(labels(offer).contains(u"TRASH"_s) && !labels(offer).contains(inbox));
        QVERIFY(!labels(report).contains(u"Label_apagada"_s));

        // The message went once, with its file; the refused one stays a
        // draft, and is back in a composer with Gmail's reason.
        int sent = 0;
        for (const QString& id : rig.google().messageIds(ana)) {
            const QByteArray raw = rig.google().rawMessage(ana, id);
            sent += raw.contains("Subject: Proposta") && raw.contains("plano.pdf");
            QVERIFY(!raw.contains("Subject: Recusada") || labels({id, {}}).contains(u"DRAFT"_s));
        }
        QCOMPARE(sent, 1);
        QVERIFY(app->composer());
        QCOMPARE(app->composer()->subject(), u"Recusada"_s);
        QVERIFY2(app->composer()->error().contains(u"Invalid To header"_s),
                 qPrintable(app->composer()->error()));
        QCOMPARE(app->composer()->attachments().size(), 1);
        app->closeComposer(app->composer());

        // The refused change is undone and said, naming the conversation.
        QCOMPARE(app->notices().notices().size(), 1);
        const QString notice = app->notices().notices().first().text;
        QVERIFY2(notice.contains(u"«Relatório»"_s) && notice.contains(u"Label_apagada"_s),
                 qPrintable(notice));
        app->notices().dismiss(app->notices().notices().first().id);
        QVERIFY(app->notices().notices().isEmpty());

        awaitTask(app->refresh());
        QTRY_VERIFY_WITH_TIMEOUT(cacheEqualsMailbox(rig, *app), 30000);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
