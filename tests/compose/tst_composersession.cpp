#include "AwaitTask.h"
#include "SimpleMessage.h"
#include "TestRig.h"
#include "app/AppState.h"
#include "compose/ComposerSession.h"
#include "compose/Outbox.h"
#include "gmail/GmailAPIClient.h"
#include "model/MailStore.h"
#include "sync/AccountSession.h"
#include "sync/SyncEngine.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vesk;
using namespace std::chrono_literals;
using vesk::fakegoogle::FaultRule;
using vesk::test::awaitTask;
using vesk::test::TestRig;

namespace {

const QString email = u"joana@exemplo.pt"_s;

FullMessage received(const QString& subject)
{
    FullMessage message;
    message.id = u"m1"_s;
    message.threadId = u"t1"_s;
    message.fromName = u"Rui Sá"_s;
    message.fromEmail = u"rui@x.pt"_s;
    message.to = u"JOANA@exemplo.pt, \"Joana\" <joana@exemplo.pt>, ana@x.pt, "
                 "Joana Sá <Joana@Exemplo.PT>"_s;
    message.cc = u"<joana@exemplo.pt>, bruno@x.pt, joana@exemplo.pt (Joana)"_s;
    message.subject = subject;
    message.date = QDateTime(QDate(2026, 3, 5), QTime(14, 30), Qt::UTC);
    message.snippet = u"Ol&aacute; &amp; adeus"_s;
    message.messageIdHeader = u"<abc@x.pt>"_s;
    return message;
}

} // namespace

class TestComposerSession : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestRig> m_rig;
    fakegoogle::FakeGoogle& google() const { return m_rig->google(); }
    std::unique_ptr<AccountSession> m_session;
    ComposerAccount account() const { return AppState::composerAccount(m_session.get()); }

    /// A composer that saves only when the test asks, whose first draft save
    /// answers only after a while: long enough to act while it is in flight.
    std::unique_ptr<ComposerSession> slowlySavedComposer()
    {
        auto composer = std::make_unique<ComposerSession>(ComposerSession::Mode::New, account());
        composer->setAutosaveDelay(1h);
        google().addFault(TestRig::delayed(u"POST"_s, u".*/drafts"_s, 1500));
        return composer;
    }

private slots:
    void init()
    {
        const AccountIdentity joana{email, u"Joana"_s};
        m_rig = std::make_unique<TestRig>(QList{joana});
        m_session = m_rig->session(joana, false);
    }

    void cleanup()
    {
        m_session.reset();
        m_rig.reset();
    }

    void repliesArePrefilled()
    {
        const auto reply = ComposerSession::reply(received(u"RE: Olá"_s), false, account());
        QCOMPARE(reply->subject(), u"RE: Olá"_s);
        QCOMPARE(reply->to(), u"rui@x.pt"_s);
        QVERIFY(reply->cc().isEmpty());
        QCOMPARE(*reply->threadId(), u"t1"_s);
        // No plain text: the preview is quoted as the user reads it.
        QVERIFY(reply->body().startsWith(u"\n\nEm "));
        QVERIFY(reply->body().endsWith(u"Rui Sá escreveu:\n> Olá & adeus"_s));

        const auto all = ComposerSession::reply(received(u"Olá"_s), true, account());
        QCOMPARE(all->subject(), u"Re: Olá"_s);
        // The account is left out in every form its address takes.
        QCOMPARE(all->cc(), u"ana@x.pt, bruno@x.pt"_s);

        FullMessage lines = received(u"x"_s);
        lines.plainText = u"um\n\ndois"_s;
        QVERIFY(
            ComposerSession::reply(lines, false, account())->body().endsWith(u"> um\n> \n> dois"));
    }

    void forwardKeepsTheAttachmentsItCanFetch()
    {
        fakegoogle::SimpleMessage original;
        original.from = u"Rui <rui@x.pt>"_s;
        original.to = email;
        original.subject = u"FW: contas"_s;
        original.text = u"Segue."_s;
        original.attachments = {{u"a.pdf"_s, "application/pdf", QByteArray(500, 'a'), {}},
                                {u"b.png"_s, "image/png", QByteArray(600, 'b'), {}},
                                {u"c.txt"_s, "text/plain", QByteArray(700, 'c'), {}}};
        const auto ref = google().deliverMessage(email, original.toRfc822());
        const FullMessage message =
            awaitTask(m_session->api()->getThread(ref.threadId)).messages->first().toFull();
        google().failNext(u".*/attachments/"_s + message.attachments[1].attachmentId, 404, 5);

        const auto forward = awaitTask(ComposerSession::forward(message, account()));
        QCOMPARE(forward->subject(), u"FW: contas"_s);
        QVERIFY(forward->to().isEmpty() && !forward->threadId());
        QCOMPARE(forward->attachments().size(), 2);
        QCOMPARE(forward->attachments()[0].data, original.attachments[0].bytes);
        QCOMPARE(forward->attachments()[1].filename, u"c.txt"_s);
        QVERIFY(forward->body().contains(
            u"Mensagem reencaminhada\nDe: Rui <rui@x.pt>\nAssunto: FW: contas"));
    }

    void draftsAreSavedOnceEditsPause()
    {
        ComposerSession composer(ComposerSession::Mode::New, account());
        composer.setAutosaveDelay(150ms);
        QSignalSpy saved(&composer, &ComposerSession::draftSaved);

        // Cc and attachments alone are not a message worth keeping.
        composer.setCc(u"x@x.pt"_s);
        composer.addAttachments({{u"a.txt"_s, u"text/plain"_s, "a"}});
        composer.markDirty();
        QVERIFY(!saved.wait(600));
        QVERIFY(google().draftIds(email).isEmpty());

        composer.setSubject(u"Reunião"_s);
        composer.markDirty();
        QVERIFY(saved.wait(5000));
        QCOMPARE(google().draftIds(email).size(), 1);
        QVERIFY(composer.hasSavedDraft());
        const QString draft = *composer.draftId();

        composer.setBody(u"Amanhã às 10h"_s);
        composer.markDirty();
        QVERIFY(saved.wait(5000));
        QCOMPARE(google().draftIds(email), QStringList{draft});

        // Without a network the save waits and goes again by itself, as
        // the same draft: never a second one.
        const quint16 port = google().port();
        google().stop();
        composer.setBody(u"Amanhã às 11h"_s);
        composer.markDirty();
        QVERIFY(!saved.wait(1000));
        QVERIFY(google().start(port));
        QVERIFY(saved.wait(20000));
        QCOMPARE(google().draftIds(email), QStringList{draft});
    }

    void sendingDeletesTheDraftOrKeepsEverythingOnFailure()
    {
        awaitTask(m_session->startSync());
        ComposerSession composer(ComposerSession::Mode::New, account());
        composer.setTo(u" , , "_s);
        QVERIFY(!composer.canSend());
        composer.setSubject(u"Olá"_s);

        // An entry that is no address stops the send before Google hears of it.
        struct Case
        {
            void (ComposerSession::*field)(const QString&);
            QString text;
            QString entry;
        };
        const QList<Case> cases{
            {&ComposerSession::setTo, u"x\r\nBcc: evil@x.com"_s, u"x\r\nBcc: evil@x.com"_s},
            {&ComposerSession::setTo, u"rui@x.pt, ana"_s, u"ana"_s},
            {&ComposerSession::setCc, u"Ana <ana@x.pt> <b@x.pt>"_s, u"Ana <ana@x.pt> <b@x.pt>"_s},
            {&ComposerSession::setBcc, u" a@b@x.pt ,c@x.pt"_s, u"a@b@x.pt"_s},
        };
        for (const Case& bad : cases) {
            composer.setTo(u"rui@x.pt"_s);
            composer.setCc({});
            composer.setBcc({});
            (composer.*bad.field)(bad.text);
            QVERIFY(!awaitTask(composer.send()));
            QCOMPARE(composer.error(), u"Endereço inválido: "_s + bad.entry);
            QVERIFY(!composer.isSending());
        }
        QCOMPARE(m_rig->requestsEndingWith(u"/drafts/send"_s), 0);
        const QString to = u"João Sá <joao@exemplo.pt>, rui@x.pt"_s;
        composer.setTo(to);
        composer.setCc(u"\"Silva, Rui\" <silva@x.pt>"_s);
        composer.setBcc({});

        composer.setAutosaveDelay(50ms);
        composer.markDirty();
        QSignalSpy saved(&composer, &ComposerSession::draftSaved);
        QVERIFY(saved.wait(5000));

        google().failNext(u".*/drafts/send"_s, 400, 1);
        QVERIFY(!awaitTask(composer.send()));
        QVERIFY(composer.error().startsWith(u"HTTP 400: "));
        QCOMPARE(composer.to(), to);
        QCOMPARE(google().draftIds(email).size(), 1);

        QVERIFY(awaitTask(composer.send()));
        QVERIFY(composer.error().isEmpty());
        QVERIFY(google().draftIds(email).isEmpty());
        const auto sent = m_session->store()->summaries(u"SENT"_s);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first().subject(), u"Olá"_s);
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
            const auto composer = slowlySavedComposer();
            composer->setSubject(u"Reunião"_s);
            composer->markDirty();
            QCoro::Task<> first = composer->autosave();
            composer->setBody(u"Amanhã às 10h"_s);
            composer->markDirty();
            awaitTask(composer->autosave());
            const QStringList drafts = google().draftIds(email);
            QCOMPARE(drafts.size(), 1);
            // The update first checks that nobody else changed the draft meanwhile.
            QCOMPARE(draftCalls(), QStringList({u"POST drafts"_s, u"GET drafts/"_s + drafts.first(),
                                                u"PUT drafts/"_s + drafts.first()}));
            awaitTask(std::move(first));
            QCOMPARE(*composer->draftId(), drafts.first());
            awaitTask(composer->discardDraft());
            QVERIFY(google().draftIds(email).isEmpty());
        }

        // Sending while the first save is in flight deletes the draft it makes.
        {
            const auto composer = slowlySavedComposer();
            composer->setTo(u"rui@x.pt"_s);
            composer->setSubject(u"Olá"_s);
            composer->markDirty();
            QCoro::Task<> saving = composer->autosave();
            QVERIFY(awaitTask(composer->send()));
            awaitTask(std::move(saving));
            QVERIFY(google().draftIds(email).isEmpty());
            // Once sent, edits save nothing.
            composer->markDirty();
            awaitTask(composer->autosave());
            QVERIFY(google().draftIds(email).isEmpty());
        }

        // Discarding, then releasing the composer at once, as its window does.
        auto composer = slowlySavedComposer();
        composer->setSubject(u"Rascunho"_s);
        composer->markDirty();
        QCoro::Task<> saving = composer->autosave();
        QCoro::Task<> discarding = composer->discardDraft();
        composer.reset();
        awaitTask(std::move(discarding));
        awaitTask(std::move(saving));
        QVERIFY(google().draftIds(email).isEmpty());
    }

    void aSendWhoseAnswerIsLostGoesOutOnce()
    {
        awaitTask(m_session->startSync());
        QTemporaryDir folder;
        const auto openOutbox = [&] {
            return std::make_unique<Outbox>(email, m_session->api(), m_session->engine().pacer(),
                                            folder.path());
        };
        std::unique_ptr<Outbox> outbox = openOutbox();
        ComposerAccount withOutbox = account();
        withOutbox.outbox = outbox.get();
        // Gmail sends the message and the answer is lost, then the answer to
        // the outbox's own attempt is lost too.
        FaultRule lost;
        lost.kind = FaultRule::Kind::DropConnection;
        lost.method = u"POST"_s;
        lost.pathPattern = u".*/drafts/send"_s;
        lost.times = 2;
        google().addFault(lost);
        ComposerSession composer(ComposerSession::Mode::New, withOutbox);
        composer.setTo(u"rui@x.pt"_s);
        composer.setSubject(u"Uma vez apenas"_s);
        QVERIFY(awaitTask(composer.send()));
        QVERIFY(composer.wasQueued());
        QTRY_COMPARE(m_rig->requestsEndingWith(u"/drafts/send"_s), 2);
        QTRY_VERIFY(!outbox->isSending());

        // Started again from its files, it finds the draft gone: sent.
        outbox = openOutbox();
        QCOMPARE(outbox->messages().size(), 1);
        QSignalSpy sent(outbox.get(), &Outbox::messageSent);
        awaitTask(outbox->send());
        QCOMPARE(sent.size(), 1);
        QVERIFY(outbox->messages().isEmpty());
        int copies = 0;
        for (const QString& id : google().messageIds(email))
            copies += google().rawMessage(email, id).contains("Uma vez");
        QCOMPARE(copies, 1);
        QVERIFY(google().draftIds(email).isEmpty());
    }

    void aDraftIsContinuedAndNeverSavedOverAnotherVersion()
    {
        fakegoogle::SimpleMessage original;
        original.from = u"Rui <rui@x.pt>"_s;
        original.to = email;
        original.subject = u"Contas"_s;
        original.text = u"Segue."_s;
        original.messageId = "contas@x.pt";
        const auto ref = google().deliverMessage(email, original.toRfc822());
        const FullMessage message =
            awaitTask(m_session->api()->getThread(ref.threadId)).messages->first().toFull();
        const auto save = [](ComposerSession& composer, const QString& body) {
            composer.setBody(body);
            composer.markDirty();
            awaitTask(composer.autosave());
        };
        QString draftId;
        {
            const auto left = ComposerSession::reply(message, false, account());
            left->setBcc(u"arquivo@x.pt"_s);
            left->addAttachments({OutgoingAttachment{u"nota.txt"_s, u"text/plain"_s, "nota"}});
            save(*left, u"Primeira versão"_s + left->body());
            draftId = left->draftId().value_or(QString());
        }

        const auto again = awaitTask(ComposerSession::fromDraft(draftId, account()));
        QCOMPARE(again->mode(), ComposerSession::Mode::Reply);
        QCOMPARE(again->to(), u"rui@x.pt"_s);
        QCOMPARE(again->bcc(), u"arquivo@x.pt"_s);
        QCOMPARE(again->subject(), u"Re: Contas"_s);
        QVERIFY2(again->body().startsWith(u"Primeira versão\n\nEm "), qPrintable(again->body()));
        QCOMPARE(again->attachments().size(), 1);
        QCOMPARE(again->attachments().first().data, QByteArray("nota"));
        QCOMPARE(again->threadId(), std::optional(ref.threadId));
        QVERIFY(again->hasSavedDraft());

        // Changed elsewhere meanwhile: nothing goes over it until a version is chosen.
        const auto elsewhere = awaitTask(ComposerSession::fromDraft(draftId, account()));
        save(*elsewhere, u"Versão do telemóvel"_s);
        save(*again, u"Versão do computador"_s);
        QVERIFY(again->hasConflict());
        QVERIFY(!awaitTask(again->send()));
        const auto atGmail = [&] {
            return awaitTask(ComposerSession::fromDraft(draftId, account()))->body();
        };
        QCOMPARE(atGmail(), u"Versão do telemóvel"_s);
        awaitTask(again->takeOtherVersion());
        QVERIFY(!again->hasConflict());
        QCOMPARE(again->body(), u"Versão do telemóvel"_s);
        save(*elsewhere, u"Terceira"_s);
        save(*again, u"Quarta"_s);
        QVERIFY(again->hasConflict());
        awaitTask(again->keepThisVersion());
        QVERIFY(!again->hasConflict());
        QCOMPARE(atGmail(), u"Quarta"_s);

        // Deleted elsewhere: what is written here becomes a draft again.
        awaitTask(m_session->api()->deleteDraft(draftId));
        save(*again, u"Quinta"_s);
        QCOMPARE(google().draftIds(email).size(), 1);
        QVERIFY(again->draftId() != draftId);

        // Sent as its draft, in the thread, answering the original.
        QVERIFY(awaitTask(again->send()));
        QVERIFY(google().draftIds(email).isEmpty());
        const auto thread = *awaitTask(m_session->api()->getThread(ref.threadId)).messages;
        QCOMPARE(thread.size(), 2);
        QCOMPARE(thread.last().header(u"In-Reply-To"_s), std::optional(u"<contas@x.pt>"_s));
        QCOMPARE(thread.last().toFull().attachments.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestComposerSession)
#include "tst_composersession.moc"
