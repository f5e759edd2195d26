#include "SimpleMessage.h"
#include "UiRig.h"
#include "compose/ComposerSession.h"
#include "sync/AccountSession.h"
#include "transfers/TransferList.h"
#include "ui/reader/MessageCard.h"
#include "ui/reader/ReaderPane.h"
#include "ui/reader/ReaderSelectionView.h"
#include "ui/reader/ReceivedAttachmentRow.h"
#include "ui/reader/web/HtmlMessageView.h"
#include "ui/reader/web/MessageWebProfile.h"
#include "ui/style/Brand.h"
#include "ui/widgets/PillButton.h"
#include "ui/widgets/StatusNotice.h"
#include "ui/widgets/TextButton.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolBar>

#include <tuple>

using namespace Qt::StringLiterals;

using namespace vesk;
using namespace vesk::test;

namespace {

fakegoogle::SimpleMessage mail(const QString& from, const QString& subject, const QString& text,
                               const QString& html = {})
{
    fakegoogle::SimpleMessage message;
    message.from = from;
    message.to = ana;
    message.subject = subject;
    message.text = text;
    message.html = html;
    return message;
}

QString labelText(const QWidget* parent, const char* name)
{
    const auto* label = parent->findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : u"<missing>"_s;
}

} // namespace

class TestReaderPane : public QObject
{
    Q_OBJECT

    std::optional<UiRig> m_rig;
    QTemporaryDir m_downloads;

    fakegoogle::MessageRef add(const fakegoogle::SimpleMessage& message, const QString& thread = {})
    {
        return m_rig->google().addMessage(ana, message.toRfc822(), {u"INBOX"_s}, message.date,
                                          thread);
    }

    /// A conversation of two plain-text messages, the second with two
    /// attachments, and an HTML newsletter on its own; returns their threads.
    QPair<QString, QString> deliver()
    {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        auto first = mail(u"Sofia Matos <sofia@x.pt>"_s, {}, u"Segue em anexo amanhã."_s);
        first.date = now.addSecs(-3600);
        first.messageId = "um@x.pt";
        const QString thread = add(first).threadId;
        auto second = mail(u"rui@x.pt"_s, u"Re: contas"_s, u"Aqui estão."_s);
        second.date = now.addSecs(-60);
        second.inReplyTo = "um@x.pt";
        second.attachments = {{u"fatura.pdf"_s, "application/pdf", QByteArray(3000, 'p'), {}},
                              {u"notas.txt"_s, "text/plain", "notas", {}}};
        add(second, thread);
        const auto news =
            add(mail(u"Boletim <news@x.pt>"_s, u"Novidades"_s, u"Versão em texto do boletim."_s,
                     u"<p>Boletim <img src=\"https://t.x.pt/p.gif\"></p>"_s));
        return {thread, news.threadId};
    }

    ReaderPane& shown(ReaderPane& pane, int height = 700)
    {
        pane.resize(560, height);
        pane.show();
        return pane;
    }

private Q_SLOTS:
    void initTestCase()
    {
        Brand::apply(*qobject_cast<QApplication*>(QCoreApplication::instance()));
        QVERIFY(m_downloads.isValid());
    }
    void init() { m_rig.emplace(); }
    void cleanup() { m_rig.reset(); }

    void openThreadShowsCardsAndSaves()
    {
        const auto [threadId, newsId] = deliver();
        AppState& app = m_rig->start();
        ReaderPane pane(app);
        QVERIFY(shown(pane).showsPlaceholder());

        AccountSession& session = *app.selectedSession();
        // Opening fails first: the reader says why, where the person looks,
        // and tries again from there.
        m_rig->google().failNext(u".*/threads/.*"_s, 500, 20);
        app.selectThread(ThreadSummary{threadId, {}, {}});
        QTRY_VERIFY(pane.notice()->isVisible() && pane.notice()->isBusy());
        QCOMPARE(pane.notice()->textLabel()->text(), u"A abrir a conversa…"_s);
        QTRY_VERIFY_WITH_TIMEOUT(pane.notice()->retryButton()->isVisible(), 30000);
        QVERIFY(pane.notice()->textLabel()->text().contains(u"500"_s));
        QVERIFY(!pane.scrollArea()->isVisible() && !pane.toolbar()->isVisible());
        m_rig->google().clearFaults();

        // While the messages load, the column shows that and no toolbar.
        QList<int> loading; // placeholder, toolbar, cards, busy
        const auto watchLoading = connect(&session, &AccountSession::openThreadChanged, this, [&] {
            if (session.openThreadMessages().isEmpty() && !session.openThreadId().isEmpty())
                loading << pane.showsPlaceholder() << pane.toolbar()->isVisible()
                        << int(pane.cards().size()) << pane.notice()->isBusy();
        });
        QTest::mouseClick(pane.notice()->retryButton(), Qt::LeftButton);
        QTRY_VERIFY_LONG(!session.openThreadMessages().isEmpty());
        disconnect(watchLoading);
        QCOMPARE(loading, (QList<int>{0, 0, 0, 1}));
        QVERIFY(!pane.notice()->isVisible() && !pane.showsPlaceholder() &&
                pane.toolbar()->isVisible());
        // The oldest message has no subject: the title says so.
        QCOMPARE(pane.title()->text(), u"(sem assunto)"_s);
        // Built a few at a time, top first.
        QTRY_COMPARE(pane.cards().size(), 2);

        // Senders by name where they have one; avatars and recipients are
        // the card fallbacks' and names' cases below.
        const MessageCard* first = pane.cards().at(0);
        QCOMPARE(labelText(first, "sender"), u"Sofia Matos"_s);
        QVERIFY(first->body()->text().contains(u"Segue em anexo amanhã."_s));
        QVERIFY(first->attachmentRows().isEmpty() && !first->htmlView());

        const MessageCard* second = pane.cards().at(1);
        QCOMPARE(labelText(second, "sender"), u"rui@x.pt"_s);
        QCOMPARE(second->attachmentRows().size(), 2);
        ReceivedAttachmentRow* pdf = second->attachmentRows().at(0);
        QCOMPARE(labelText(pdf, "attachmentName"), u"fatura.pdf"_s);
        QCOMPARE(labelText(second->attachmentRows().at(1), "attachmentName"), u"notas.txt"_s);

        // "Guardar" saves through the transfer manager and reads "A guardar"
        // until the save is over.
        const QString path = m_downloads.filePath(u"fatura.pdf"_s);
        m_rig->dialogs->answers = {path};
        PillButton* save = pdf->saveButton();
        QCOMPARE(save->text(), u"Guardar"_s);
        // Clicks land where the button is on screen: scroll to it first.
        pane.scrollArea()->ensureWidgetVisible(save);
        // What the button reads while the transfer runs, seen as it starts.
        QStringList whileRunning;
        const auto watch =
            connect(app.transfers()->items(), &QAbstractItemModel::rowsInserted, this,
                    [&] { whileRunning << save->text() << QString::number(save->isEnabled()); });
        QTest::mouseClick(save, Qt::LeftButton);
        QTRY_VERIFY_LONG(!pdf->isDownloading());
        disconnect(watch);
        QCOMPARE(whileRunning, (QStringList{u"A guardar"_s, u"0"_s}));
        QCOMPARE(app.transfers()->items()->rowCount(), 1);
        QCOMPARE(save->text(), u"Guardar"_s);
        QVERIFY(save->isEnabled());
        QCOMPARE(QFileInfo(path).size(), 3000);

        // Cancelling the dialog brings the button back as well.
        QTest::mouseClick(save, Qt::LeftButton);
        QTRY_VERIFY(!pdf->isDownloading());
        QCOMPARE(save->text(), u"Guardar"_s);

        // Replies (r, a) answer the newest message; forwarding (f) fetches
        // the attachments first, then brings the composer.
        using Mode = ComposerSession::Mode;
        pane.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&pane));
        for (const auto& [key, mode] :
             {std::pair{Qt::Key_R, Mode::Reply}, std::pair{Qt::Key_A, Mode::ReplyAll},
              std::pair{Qt::Key_F, Mode::Forward}}) {
            QVERIFY(!app.composer());
            QTest::keyClick(&pane, key);
            QTRY_VERIFY_LONG(app.composer());
            QCOMPARE(app.composer()->mode(), mode);
            QCOMPARE(app.composer()->to(), mode == Mode::Forward ? QString() : u"rui@x.pt"_s);
            app.closeComposer(app.composer());
        }

        // A mail address followed in a message is written to here, from the
        // message's account; a web page goes to the browser.
        m_rig->browser->setIdle(true);
        Q_EMIT pane.cards().at(0)->linkActivated(QUrl(u"mailto:sofia@x.pt?subject=Ol%C3%A1"_s));
        QVERIFY(app.composer());
        QCOMPARE(app.composer()->account().identity.email, session.id());
        QCOMPARE(app.composer()->to(), u"sofia@x.pt"_s);
        QCOMPARE(app.composer()->subject(), u"Olá"_s);
        app.closeComposer(app.composer());
        Q_EMIT pane.cards().at(0)->linkActivated(QUrl(u"https://x.pt/"_s));
        QCOMPARE(m_rig->browser->opened(), QList<QUrl>{QUrl(u"https://x.pt/"_s)});

        // An HTML newsletter shows its HTML, images held back.
        awaitTask(session.openThread(newsId));
        QCOMPARE(pane.title()->text(), u"Novidades"_s);
        QCOMPARE(pane.cards().size(), 1);
        const MessageCard* news = pane.cards().at(0);
        // (How they are held back: tst_htmlmessageview.)
        QVERIFY(!news->body() && news->htmlView() && news->showImagesButton());

        // "Lixeira" trashes the open conversation, which closes it.
        pane.trashAction()->trigger();
        QTRY_VERIFY_LONG(pane.showsPlaceholder());
        QVERIFY(session.openThreadId().isEmpty() && pane.cards().isEmpty());
    }

    /// Several selected: the count and their actions as buttons, which act
    /// on all of them and follow where they are; the toolbar's star for one.
    void severalSelectedOfferTheirActions()
    {
        const auto one = add(mail(u"rui@x.pt"_s, u"Obras"_s, u"Amanhã."_s));
        const auto two = add(mail(u"sofia@x.pt"_s, u"Jantar"_s, u"Sábado?"_s));
        AppState& app = m_rig->start();
        ReaderPane pane(app);
        shown(pane);
        const ReaderSelectionView& view = *pane.selectionView();
        const auto buttons = [&view] { return valuesOf(view.shownButtons(), &PillButton::text); };
        const auto click = [&view](const QString& text) {
            for (PillButton* button : view.shownButtons()) {
                if (button->text() == text)
                    QTest::mouseClick(button, Qt::LeftButton);
            }
        };
        const auto both = [this, one, two](const QString& label) {
            return m_rig->google().labelIds(ana, one.id).contains(label) &&
                   m_rig->google().labelIds(ana, two.id).contains(label);
        };
        app.selectThreads({one.threadId, two.threadId});
        QVERIFY(pane.showsSelection());
        QCOMPARE(view.title(), u"2 conversas selecionadas"_s);
        QCOMPARE(buttons(),
                 (QStringList{u"Arquivar"_s, u"Marcar como não lida"_s, u"Marcar com estrela"_s,
                              u"Marcar como spam"_s, u"Mover para a lixeira"_s}));
        click(u"Marcar com estrela"_s);
        QTRY_VERIFY_LONG(both(u"STARRED"_s));
        QCOMPARE(buttons().at(2), u"Remover estrela"_s);
        click(u"Marcar como spam"_s);
        QTRY_VERIFY_LONG(both(u"SPAM"_s));

        app.selectLabel(u"SPAM"_s);
        QTRY_COMPARE_LONG(app.visibleThreads().size(), 2);
        QCOMPARE(buttons().mid(3), (QStringList{u"Não é spam"_s, u"Mover para a caixa de entrada"_s,
                                                u"Mover para a lixeira"_s}));
        click(u"Mover para a caixa de entrada"_s);
        QTRY_VERIFY_LONG(both(u"INBOX"_s) && !both(u"SPAM"_s));

        // One chosen opens in the reader, whose toolbar stars it alone.
        app.selectLabel(u"INBOX"_s);
        app.selectThreads({one.threadId});
        QTRY_VERIFY_LONG(!pane.showsSelection() && pane.cards().size() == 1);
        QCOMPARE(pane.starAction()->text(), u"Remover estrela"_s);
        pane.starAction()->trigger();
        QTRY_VERIFY_LONG(!m_rig->google().labelIds(ana, one.id).contains(u"STARRED"_s));
        QVERIFY(m_rig->google().labelIds(ana, two.id).contains(u"STARRED"_s));
        QTRY_COMPARE(pane.starAction()->text(), u"Marcar com estrela"_s);
    }

    void longConversationsKeepOnlyNearBodies()
    {
        QString threadId;
        for (int m = 0; m < 14; ++m) {
            auto message = mail(u"Boletim <news@x.pt>"_s, u"Boletim"_s, u"texto"_s,
                                u"<p style=\"height:300px\">Edição %1</p>"_s.arg(m));
            message.date = QDateTime::currentDateTimeUtc().addSecs(m - 100);
            threadId = add(message, threadId).threadId;
        }
        AppState& app = m_rig->start();
        ReaderPane pane(app);
        shown(pane, 500);
        awaitTask(app.selectedSession()->openThread(threadId));
        QTRY_COMPARE(pane.cards().size(), 14);
        const auto live = [&pane] {
            return valuesOf(pane.cards(),
                            [](const MessageCard* card) { return card->htmlView()->isLive(); });
        };
        // Only what is in sight gets a web view (the engine's first page can
        // take a while on a busy machine).
        QTRY_VERIFY_WITH_TIMEOUT(live().constFirst(), 30000);
        QVERIFY(!live().constLast());
        const HtmlMessageView* first = pane.cards().constFirst()->htmlView();
        QTRY_VERIFY_WITH_TIMEOUT(first->height() >= 300, 30000);
        const int height = first->height();

        // Read to the end, the first bodies are let go again, keeping their
        // height so that nothing above the reader moves.
        QScrollBar* bar = pane.scrollArea()->verticalScrollBar();
        bar->setValue(bar->maximum());
        QTRY_VERIFY_WITH_TIMEOUT(live().constLast(), 30000);
        QVERIFY(!live().constFirst());
        QCOMPARE(first->height(), height);
        bar->setValue(0);
        QTRY_VERIFY_WITH_TIMEOUT(live().constFirst(), 30000);
    }

    /// Without HTML a card shows the text as written; without a sender or any
    /// body, the snippet, unescaped.
    void cardFallbacks()
    {
        FullMessage named;
        named.fromName = u"élia"_s;
        named.fromEmail = u"e@x.pt"_s;
        named.plainText = u"<b>texto</b>"_s;
        named.snippet = u"outro"_s;
        FullMessage nobody;
        nobody.snippet = u"Vemo-nos &amp; falamos"_s;
        const QList<std::tuple<FullMessage, QString, QString, QString>> cases{
            {named, u"É"_s, u"élia"_s, u"<b>texto</b>"_s},
            {nobody, QString(), QString(), u"Vemo-nos & falamos"_s}};
        MessageWebProfile web;
        for (const auto& [message, avatar, sender, body] : cases) {
            MessageCard card(message, nullptr, web);
            QCOMPARE(labelText(&card, "avatar"), avatar);
            QCOMPARE(labelText(&card, "sender"), sender);
            QCOMPARE(card.body()->text(), body);
            QCOMPARE(card.body()->textFormat(), Qt::PlainText);
            QVERIFY(!card.htmlView());
        }
    }

    void recipientsByName()
    {
        const auto shown = &MessageCard::recipientsText;
        QCOMPARE(shown(u"\"Ana Ribeiro\" <ana@x.pt>, rui@x.pt"_s), u"Ana Ribeiro, rui@x.pt"_s);
        // A decoded name with a comma.
        QCOMPARE(shown(u"Silva, Ana <ana@x.pt>, \"Sá, Rui\" <rui@x.pt>"_s),
                 u"Silva, Ana, Sá, Rui"_s);
        QCOMPARE(shown(u"undisclosed-recipients:;"_s), u"undisclosed-recipients:;"_s);
        QCOMPARE(shown(QString()), QString());
    }

    void aDraftOpensAgainInAComposerAndGoesAsItself()
    {
        AppState& app = m_rig->start();
        app.startNewMessage();
        ComposerSession* left = app.composer();
        left->setTo(u"rui@x.pt"_s);
        left->setSubject(u"Por acabar"_s);
        left->setBody(u"Meio escrito"_s);
        left->markDirty();
        awaitTask(left->autosave());
        app.closeComposer(left);
        app.selectLabel(u"DRAFT"_s);
        QTRY_COMPARE_LONG(app.visibleThreads().size(), 1);
        ReaderPane pane(app);
        shown(pane);
        app.selectThread(app.visibleThreads().first());
        QTRY_COMPARE_LONG(pane.cards().size(), 1);
        PillButton* resume = pane.cards().first()->continueButton();
        QVERIFY(resume && resume->isVisible());

        resume->click();
        QTRY_VERIFY_LONG(app.composer());
        // The draft itself, not a copy of it: what it restores and how it goes
        // is tst_composersession's.
        ComposerSession* again = app.composer();
        QCOMPARE(again->body(), u"Meio escrito"_s);
        QVERIFY(again->hasSavedDraft());
        // Asked again, the composer already writing it comes forward.
        qRegisterMetaType<ComposerSession*>();
        QSignalSpy raised(&app, &AppState::composerRaised);
        resume->click();
        QVERIFY(raised.wait());
        QCOMPARE(app.composers(), QList{again});
        QVERIFY(awaitTask(again->send()));
        QVERIFY(m_rig->google().draftIds(ana).isEmpty());
    }
};

QTEST_MAIN(TestReaderPane)
#include "tst_readerpane.moc"
