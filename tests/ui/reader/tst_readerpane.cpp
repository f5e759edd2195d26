#include "AppRig.h"
#include "AwaitTask.h"
#include "SimpleMessage.h"
#include "app/AppState.h"
#include "compose/ComposerSession.h"
#include "sync/AccountSession.h"
#include "transfers/TransferList.h"
#include "ui/reader/MessageCard.h"
#include "ui/reader/ReaderPane.h"
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
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(vesk::FullMessage)

using namespace vesk;
using vesk::test::AppRig;
using vesk::test::awaitTask;

namespace {

const QString ana = u"ana@exemplo.pt"_s;

QString labelText(const QWidget* parent, const char* name)
{
    const auto* label = parent->findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : u"<missing>"_s;
}

} // namespace

class TestReaderPane : public QObject
{
    Q_OBJECT

    std::unique_ptr<AppRig> m_rig;
    std::unique_ptr<AppState> m_app;
    QTemporaryDir m_downloads;

    void start()
    {
        m_app = std::make_unique<AppState>(m_rig->services());
        awaitTask(m_app->startAll());
    }

    /// A conversation of two plain-text messages, the second with two
    /// attachments, and an HTML newsletter on its own; returns their threads.
    QPair<QString, QString> deliver()
    {
        fakegoogle::SimpleMessage first;
        first.from = u"Sofia Matos <sofia@x.pt>"_s;
        first.to = ana;
        first.subject = QString();
        first.text = u"Segue em anexo amanhã."_s;
        first.date = QDateTime::currentDateTimeUtc().addSecs(-3600);
        first.messageId = "um@x.pt";
        const auto ref =
            m_rig->google().addMessage(ana, first.toRfc822(), {u"INBOX"_s}, first.date);
        fakegoogle::SimpleMessage second = first;
        second.from = u"rui@x.pt"_s;
        second.subject = u"Re: contas"_s;
        second.text = u"Aqui estão."_s;
        second.date = QDateTime::currentDateTimeUtc().addSecs(-60);
        second.messageId = "dois@x.pt";
        second.inReplyTo = "um@x.pt";
        second.attachments = {{u"fatura.pdf"_s, "application/pdf", QByteArray(3000, 'p'), {}},
                              {u"notas.txt"_s, "text/plain", "notas", {}}};
        m_rig->google().addMessage(ana, second.toRfc822(), {u"INBOX"_s}, second.date, ref.threadId);

        fakegoogle::SimpleMessage news;
        news.from = u"Boletim <news@x.pt>"_s;
        news.to = ana;
        news.subject = u"Novidades"_s;
        news.text = u"Versão em texto do boletim."_s;
        news.html = u"<p>Boletim <img src=\"https://t.x.pt/p.gif\"></p>"_s;
        const auto newsRef = m_rig->google().addMessage(ana, news.toRfc822(), {u"INBOX"_s});
        return {ref.threadId, newsRef.threadId};
    }

private Q_SLOTS:
    void initTestCase()
    {
        Brand::apply(*qobject_cast<QApplication*>(QCoreApplication::instance()));
        QVERIFY(m_downloads.isValid());
    }

    void init()
    {
        m_rig = std::make_unique<AppRig>();
        m_rig->linkDirectly(ana, u"Ana"_s);
    }

    void cleanup()
    {
        m_app.reset();
        m_rig.reset();
    }

    void openThreadShowsCardsAndSaves()
    {
        const auto [threadId, newsId] = deliver();
        start();
        ReaderPane pane(*m_app);
        pane.resize(560, 700);
        pane.show();
        QVERIFY(pane.showsPlaceholder());

        AccountSession& session = *m_app->selectedSession();
        // Opening fails first: the reader says why, where the person looks,
        // and tries again from there.
        m_rig->google().failNext(u".*/threads/.*"_s, 500, 20);
        m_app->selectThread(ThreadSummary{threadId, {}});
        QTRY_VERIFY(pane.notice()->isVisible() && pane.notice()->isBusy());
        QCOMPARE(pane.notice()->textLabel()->text(), u"A abrir a conversa…"_s);
        QTRY_VERIFY_WITH_TIMEOUT(pane.notice()->retryButton()->isVisible(), 30000);
        QVERIFY(pane.notice()->textLabel()->text().contains(u"500"_s));
        QVERIFY(!pane.scrollArea()->isVisible() && !pane.toolbar()->isVisible());
        m_rig->google().clearFaults();

        // While the messages load, the column shows that and no toolbar.
        QStringList loading;
        const auto watchLoading = connect(&session, &AccountSession::openThreadChanged, this, [&] {
            if (session.openThreadMessages().isEmpty() && !session.openThreadId().isEmpty()) {
                loading << QString::number(pane.showsPlaceholder())
                        << QString::number(pane.toolbar()->isVisible())
                        << QString::number(pane.cards().size())
                        << QString::number(pane.notice()->isBusy());
            }
        });
        QTest::mouseClick(pane.notice()->retryButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!session.openThreadMessages().isEmpty(), 20000);
        disconnect(watchLoading);
        QCOMPARE(loading, (QStringList{u"0"_s, u"0"_s, u"0"_s, u"1"_s}));
        QVERIFY(!pane.notice()->isVisible());
        QVERIFY(!pane.showsPlaceholder());
        QVERIFY(pane.toolbar()->isVisible());
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
            connect(m_app->transfers()->items(), &QAbstractItemModel::rowsInserted, this,
                    [&] { whileRunning << save->text() << QString::number(save->isEnabled()); });
        QTest::mouseClick(save, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!pdf->isDownloading(), 20000);
        disconnect(watch);
        QCOMPARE(whileRunning, (QStringList{u"A guardar"_s, u"0"_s}));
        QCOMPARE(m_app->transfers()->items()->rowCount(), 1);
        QCOMPARE(save->text(), u"Guardar"_s);
        QVERIFY(save->isEnabled());
        QCOMPARE(QFileInfo(path).size(), 3000);

        // Cancelling the dialog brings the button back as well.
        QTest::mouseClick(save, Qt::LeftButton);
        QTRY_VERIFY(!pdf->isDownloading());
        QCOMPARE(save->text(), u"Guardar"_s);

        // An HTML newsletter shows its HTML, images held back.
        awaitTask(session.openThread(newsId));
        QCOMPARE(pane.title()->text(), u"Novidades"_s);
        QCOMPARE(pane.cards().size(), 1);
        const MessageCard* news = pane.cards().at(0);
        QVERIFY(!news->body());
        QVERIFY(news->htmlView());
        QVERIFY(news->showImagesButton());
        QVERIFY(news->htmlView()->document()->contains(
            u"<p>Boletim <img data-blocked=\"1\" src=\"about:blank#https://"_s));
    }

    void longConversationsKeepOnlyNearBodies()
    {
        QString threadId;
        for (int m = 0; m < 14; ++m) {
            fakegoogle::SimpleMessage message;
            message.from = u"Boletim <news@x.pt>"_s;
            message.to = ana;
            message.subject = u"Boletim"_s;
            message.text = u"texto"_s;
            message.html = u"<p style=\"height:300px\">Edição %1</p>"_s.arg(m);
            threadId = m_rig->google()
                           .addMessage(ana, message.toRfc822(), {u"INBOX"_s},
                                       QDateTime::currentDateTimeUtc().addSecs(m - 100), threadId)
                           .threadId;
        }
        start();
        ReaderPane pane(*m_app);
        pane.resize(560, 500);
        pane.show();
        awaitTask(m_app->selectedSession()->openThread(threadId));
        QTRY_COMPARE(pane.cards().size(), 14);
        const auto live = [&pane] {
            QList<bool> result;
            for (const MessageCard* card : pane.cards())
                result.append(card->htmlView()->isLive());
            return result;
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

    void cardFallbacks_data()
    {
        QTest::addColumn<FullMessage>("message");
        QTest::addColumn<QString>("avatar");
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QString>("body");

        FullMessage named;
        named.fromName = u"élia"_s;
        named.fromEmail = u"e@x.pt"_s;
        named.plainText = u"<b>texto</b>"_s;
        named.snippet = u"outro"_s;
        QTest::newRow("plain text, shown as written")
            << named << u"É"_s << u"élia"_s << u"<b>texto</b>"_s;

        FullMessage nobody;
        nobody.snippet = u"Vemo-nos &amp; falamos"_s;
        QTest::newRow("no sender, no bodies: the snippet")
            << nobody << QString() << QString() << u"Vemo-nos & falamos"_s;
    }

    void cardFallbacks()
    {
        QFETCH(FullMessage, message);
        QFETCH(QString, avatar);
        QFETCH(QString, sender);
        QFETCH(QString, body);
        MessageWebProfile web;
        MessageCard card(message, nullptr, web);
        QCOMPARE(labelText(&card, "avatar"), avatar);
        QCOMPARE(labelText(&card, "sender"), sender);
        QCOMPARE(card.body()->text(), body);
        QCOMPARE(card.body()->textFormat(), Qt::PlainText);
        QVERIFY(!card.htmlView());
    }

    void recipientsByName_data()
    {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("shown");
        QTest::newRow("quoted names")
            << u"\"Ana Ribeiro\" <ana@x.pt>, rui@x.pt"_s << u"Ana Ribeiro, rui@x.pt"_s;
        QTest::newRow("a decoded name with a comma")
            << u"Silva, Ana <ana@x.pt>, \"Sá, Rui\" <rui@x.pt>"_s << u"Silva, Ana, Sá, Rui"_s;
        QTest::newRow("undisclosed")
            << u"undisclosed-recipients:;"_s << u"undisclosed-recipients:;"_s;
        QTest::newRow("empty") << QString() << QString();
    }

    void recipientsByName()
    {
        QFETCH(QString, to);
        QFETCH(QString, shown);
        QCOMPARE(MessageCard::recipientsText(to), shown);
    }

    void toolbarCreatesComposers()
    {
        const auto threadId = deliver().first;
        start();
        ReaderPane pane(*m_app);
        pane.show();
        AccountSession& session = *m_app->selectedSession();
        awaitTask(session.openThread(threadId));
        // Replies answer the newest message; forwarding fetches the
        // attachments first, then brings the composer.
        using Mode = ComposerSession::Mode;
        for (const auto& [action, mode] : {std::pair{pane.replyAction(), Mode::Reply},
                                           std::pair{pane.replyAllAction(), Mode::ReplyAll},
                                           std::pair{pane.forwardAction(), Mode::Forward}}) {
            QVERIFY(!m_app->composer());
            action->trigger();
            QTRY_VERIFY_WITH_TIMEOUT(m_app->composer(), 20000);
            QCOMPARE(m_app->composer()->mode(), mode);
            QCOMPARE(m_app->composer()->to(), mode == Mode::Forward ? QString() : u"rui@x.pt"_s);
            m_app->closeComposer();
        }

        // "Lixeira" trashes the open conversation, which closes it.
        pane.trashAction()->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(pane.showsPlaceholder(), 20000);
        QVERIFY(session.openThreadId().isEmpty());
        QVERIFY(pane.cards().isEmpty());
    }
};

QTEST_MAIN(TestReaderPane)
#include "tst_readerpane.moc"
