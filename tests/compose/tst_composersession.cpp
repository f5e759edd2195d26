#include "AwaitTask.h"
#include "SimpleMessage.h"
#include "TestRig.h"
#include "app/AppState.h"
#include "auth/TokenVault.h"
#include "compose/ComposerSession.h"
#include "gmail/GmailAPIClient.h"
#include "model/MailStore.h"
#include "sync/AccountSession.h"

#include <QSignalSpy>
#include <QTest>

using namespace vesk;
using namespace std::chrono_literals;
using vesk::fakegoogle::FaultRule;
using vesk::test::awaitTask;
using vesk::test::TestRig;

namespace {

const QString email = QStringLiteral("joana@exemplo.pt");

FullMessage received(const QString& subject)
{
    FullMessage message;
    message.id = QStringLiteral("m1");
    message.threadId = QStringLiteral("t1");
    message.fromName = QStringLiteral("Rui Sá");
    message.fromEmail = QStringLiteral("rui@x.pt");
    message.to = QStringLiteral("JOANA@exemplo.pt, \"Joana\" <joana@exemplo.pt>, ana@x.pt, "
                                "Joana Sá <Joana@Exemplo.PT>");
    message.cc = QStringLiteral("<joana@exemplo.pt>, bruno@x.pt, joana@exemplo.pt (Joana)");
    message.subject = subject;
    message.date = QDateTime(QDate(2026, 3, 5), QTime(14, 30), Qt::UTC);
    message.snippet = QStringLiteral("Ol&aacute; &amp; adeus");
    message.messageIdHeader = QStringLiteral("<abc@x.pt>");
    return message;
}

// The first draft save answers only after a while, long enough for the
// test to act while it is in flight.
FaultRule slowDraftCreation()
{
    FaultRule slow;
    slow.kind = FaultRule::Kind::Delay;
    slow.method = QStringLiteral("POST");
    slow.pathPattern = QStringLiteral(".*/drafts");
    slow.delayMs = 1500;
    return slow;
}

} // namespace

class TestComposerSession : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestRig> m_rig;
    fakegoogle::FakeGoogle& google() const { return m_rig->google(); }
    std::unique_ptr<AccountSession> m_session;
    ComposerAccount account() const { return AppState::composerAccount(m_session.get()); }

private slots:
    void init()
    {
        const AccountIdentity joana{email, QStringLiteral("Joana")};
        m_rig = std::make_unique<TestRig>(QList{joana});
        m_session = std::make_unique<AccountSession>(joana, m_rig->sessionServices(), false);
        m_session->vault()->saveTokenSet(m_rig->tokensFor(email));
    }

    void cleanup()
    {
        m_session.reset();
        m_rig.reset();
    }

    void repliesArePrefilled()
    {
        const auto reply =
            ComposerSession::reply(received(QStringLiteral("RE: Olá")), false, account());
        QCOMPARE(reply->subject(), QStringLiteral("RE: Olá"));
        QCOMPARE(reply->to(), QStringLiteral("rui@x.pt"));
        QVERIFY(reply->cc().isEmpty());
        QCOMPARE(*reply->threadId(), QStringLiteral("t1"));
        // No plain text: the preview is quoted as the user reads it.
        QVERIFY(reply->body().startsWith(u"\n\nEm "));
        QVERIFY(reply->body().endsWith(QStringLiteral("Rui Sá escreveu:\n> Olá & adeus")));

        const auto all = ComposerSession::reply(received(QStringLiteral("Olá")), true, account());
        QCOMPARE(all->subject(), QStringLiteral("Re: Olá"));
        // The account is left out in every form its address takes.
        QCOMPARE(all->cc(), QStringLiteral("ana@x.pt, bruno@x.pt"));

        FullMessage lines = received(QStringLiteral("x"));
        lines.plainText = QStringLiteral("um\n\ndois");
        QVERIFY(
            ComposerSession::reply(lines, false, account())->body().endsWith(u"> um\n> \n> dois"));
    }

    void forwardKeepsTheAttachmentsItCanFetch()
    {
        fakegoogle::SimpleMessage original;
        original.from = QStringLiteral("Rui <rui@x.pt>");
        original.to = email;
        original.subject = QStringLiteral("FW: contas");
        original.text = QStringLiteral("Segue.");
        original.attachments = {
            {QStringLiteral("a.pdf"), "application/pdf", QByteArray(500, 'a'), {}},
            {QStringLiteral("b.png"), "image/png", QByteArray(600, 'b'), {}},
            {QStringLiteral("c.txt"), "text/plain", QByteArray(700, 'c'), {}}};
        const auto ref = google().deliverMessage(email, original.toRfc822());
        const FullMessage message =
            awaitTask(m_session->api()->getThread(ref.threadId)).messages->first().toFull();
        google().failNext(QStringLiteral(".*/attachments/") + message.attachments[1].attachmentId,
                          404, 5);

        const auto forward = awaitTask(ComposerSession::forward(message, account()));
        QCOMPARE(forward->subject(), QStringLiteral("FW: contas"));
        QVERIFY(forward->to().isEmpty() && !forward->threadId());
        QCOMPARE(forward->attachments().size(), 2);
        QCOMPARE(forward->attachments()[0].data, original.attachments[0].bytes);
        QCOMPARE(forward->attachments()[1].filename, QStringLiteral("c.txt"));
        QVERIFY(forward->body().contains(
            u"Mensagem reencaminhada\nDe: Rui <rui@x.pt>\nAssunto: FW: contas"));
    }

    void draftsAreSavedOnceEditsPause()
    {
        ComposerSession composer(ComposerSession::Mode::New, account());
        composer.setAutosaveDelay(150ms);
        QSignalSpy saved(&composer, &ComposerSession::draftSaved);

        // Cc and attachments alone are not a message worth keeping.
        composer.setCc(QStringLiteral("x@x.pt"));
        composer.addAttachments({{QStringLiteral("a.txt"), QStringLiteral("text/plain"), "a"}});
        composer.markDirty();
        QVERIFY(!saved.wait(600));
        QVERIFY(google().draftIds(email).isEmpty());

        composer.setSubject(QStringLiteral("Reunião"));
        composer.markDirty();
        QVERIFY(saved.wait(5000));
        QCOMPARE(google().draftIds(email).size(), 1);
        QCOMPARE(composer.savedDraftNote(), QStringLiteral("Rascunho guardado"));
        const QString draft = *composer.draftId();

        composer.setBody(QStringLiteral("Amanhã às 10h"));
        composer.markDirty();
        QVERIFY(saved.wait(5000));
        QCOMPARE(google().draftIds(email), QStringList{draft});
    }

    void sendingDeletesTheDraftOrKeepsEverythingOnFailure()
    {
        awaitTask(m_session->startSync());
        ComposerSession composer(ComposerSession::Mode::New, account());
        composer.setTo(QStringLiteral(" , , "));
        QVERIFY(!composer.canSend());
        composer.setTo(QStringLiteral("rui@x.pt"));
        composer.setSubject(QStringLiteral("Olá"));
        composer.addAttachments(
            {{QStringLiteral("big.bin"), QStringLiteral("application/octet-stream"),
              QByteArray(ComposerSession::attachmentLimit, 'x')}});
        QVERIFY(composer.canSend());
        composer.addAttachments(
            {{QStringLiteral("one.bin"), QStringLiteral("application/octet-stream"), "x"}});
        QVERIFY(!composer.canSend());
        composer.removeAttachment(1);
        composer.removeAttachment(0);

        composer.setAutosaveDelay(50ms);
        composer.markDirty();
        QSignalSpy saved(&composer, &ComposerSession::draftSaved);
        QVERIFY(saved.wait(5000));

        google().failNext(QStringLiteral(".*/messages/send"), 400, 1);
        QVERIFY(!awaitTask(composer.send()));
        QVERIFY(composer.error().startsWith(u"HTTP 400: "));
        QCOMPARE(composer.to(), QStringLiteral("rui@x.pt"));
        QCOMPARE(google().draftIds(email).size(), 1);

        QVERIFY(awaitTask(composer.send()));
        QVERIFY(composer.error().isEmpty());
        QVERIFY(google().draftIds(email).isEmpty());
        const auto sent = m_session->store()->summaries(QStringLiteral("SENT"));
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first().subject(), QStringLiteral("Olá"));
    }

    void invalidAddressesStopTheSend()
    {
        awaitTask(m_session->startSync());
        ComposerSession composer(ComposerSession::Mode::New, account());
        composer.setSubject(QStringLiteral("Olá"));
        struct Case
        {
            void (ComposerSession::*field)(const QString&);
            QString text;
            QString entry;
        };
        const QList<Case> cases{
            {&ComposerSession::setTo, QStringLiteral("x\r\nBcc: evil@x.com"),
             QStringLiteral("x\r\nBcc: evil@x.com")},
            {&ComposerSession::setTo, QStringLiteral("rui@x.pt, ana"), QStringLiteral("ana")},
            {&ComposerSession::setCc, QStringLiteral("Ana <ana@x.pt> <b@x.pt>"),
             QStringLiteral("Ana <ana@x.pt> <b@x.pt>")},
            {&ComposerSession::setBcc, QStringLiteral(" a@b@x.pt ,c@x.pt"),
             QStringLiteral("a@b@x.pt")},
        };
        for (const Case& bad : cases) {
            composer.setTo(QStringLiteral("rui@x.pt"));
            composer.setCc({});
            composer.setBcc({});
            (composer.*bad.field)(bad.text);
            QVERIFY(!awaitTask(composer.send()));
            QCOMPARE(composer.error(), QStringLiteral("Endereço inválido: ") + bad.entry);
            QVERIFY(!composer.isSending());
        }
        const auto sends = [this] {
            const auto all = google().requests();
            return std::count_if(all.begin(), all.end(), [](const auto& request) {
                return request.path.endsWith(u"/messages/send");
            });
        };
        QCOMPARE(sends(), 0);

        composer.setTo(QStringLiteral("João Sá <joao@exemplo.pt>, rui@x.pt"));
        composer.setCc(QStringLiteral("\"Silva, Rui\" <silva@x.pt>"));
        composer.setBcc({});
        QVERIFY(awaitTask(composer.send()));
        QVERIFY(composer.error().isEmpty());
        QCOMPARE(sends(), 1);
    }

    void draftSavesRunOneAtATime()
    {
        awaitTask(m_session->startSync());
        const auto draftCalls = [this] {
            QStringList calls;
            for (const auto& request : google().requests()) {
                if (request.path.contains(u"/drafts"))
                    calls << request.method + u' ' + request.path.section(u'/', 5);
            }
            return calls;
        };

        // An edit during a slow first save: the save asked for meanwhile
        // runs after it and updates the draft the first one created.
        {
            ComposerSession composer(ComposerSession::Mode::New, account());
            composer.setAutosaveDelay(1h); // saves only when the test asks
            google().addFault(slowDraftCreation());
            composer.setSubject(QStringLiteral("Reunião"));
            composer.markDirty();
            QCoro::Task<> first = composer.autosave();
            composer.setBody(QStringLiteral("Amanhã às 10h"));
            composer.markDirty();
            awaitTask(composer.autosave());
            const QStringList drafts = google().draftIds(email);
            QCOMPARE(drafts.size(), 1);
            QCOMPARE(draftCalls(), QStringList({QStringLiteral("POST drafts"),
                                                QStringLiteral("PUT drafts/") + drafts.first()}));
            awaitTask(std::move(first));
            QCOMPARE(*composer.draftId(), drafts.first());
            awaitTask(composer.discardDraft());
            QVERIFY(google().draftIds(email).isEmpty());
        }

        // Sending while the first save is in flight deletes the draft it makes.
        {
            ComposerSession composer(ComposerSession::Mode::New, account());
            composer.setAutosaveDelay(1h);
            google().addFault(slowDraftCreation());
            composer.setTo(QStringLiteral("rui@x.pt"));
            composer.setSubject(QStringLiteral("Olá"));
            composer.markDirty();
            QCoro::Task<> saving = composer.autosave();
            QVERIFY(awaitTask(composer.send()));
            awaitTask(std::move(saving));
            QVERIFY(google().draftIds(email).isEmpty());
            // Once sent, edits save nothing.
            composer.markDirty();
            awaitTask(composer.autosave());
            QVERIFY(google().draftIds(email).isEmpty());
        }

        // Discarding, then releasing the composer at once, as its window does.
        auto composer = std::make_unique<ComposerSession>(ComposerSession::Mode::New, account());
        composer->setAutosaveDelay(1h);
        google().addFault(slowDraftCreation());
        composer->setSubject(QStringLiteral("Rascunho"));
        composer->markDirty();
        QCoro::Task<> saving = composer->autosave();
        QCoro::Task<> discarding = composer->discardDraft();
        composer.reset();
        awaitTask(std::move(discarding));
        awaitTask(std::move(saving));
        QVERIFY(google().draftIds(email).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestComposerSession)
#include "tst_composersession.moc"
