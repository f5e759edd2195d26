#include "AnsweringDialogs.h"
#include "AppRig.h"
#include "AwaitTask.h"
#include "SimpleMessage.h"
#include "app/AppState.h"
#include "compose/ComposerSession.h"
#include "sync/AccountSession.h"
#include "transfers/TransferList.h"
#include "transfers/TransferManager.h"
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
#include <QFile>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

Q_DECLARE_METATYPE(vesk::FullMessage)

using namespace vesk;
using vesk::test::AppRig;
using vesk::test::awaitTask;

namespace {

const QString ana = QStringLiteral("ana@exemplo.pt");

QString labelText(const QWidget* parent, const char* name)
{
    const auto* label = parent->findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<missing>");
}

} // namespace

class TestReaderPane : public QObject
{
    Q_OBJECT

    std::unique_ptr<AppRig> m_rig;
    std::shared_ptr<AnsweringDialogs> m_dialogs;
    std::unique_ptr<AppState> m_app;
    QTemporaryDir m_downloads;

    void start()
    {
        AppServices services = m_rig->services();
        services.dialogs = m_dialogs;
        services.transfers = std::make_shared<TransferManager>(m_dialogs);
        m_app = std::make_unique<AppState>(services);
        awaitTask(m_app->startAll());
    }

    /// A conversation of two plain-text messages, the second with two
    /// attachments, and an HTML newsletter on its own; returns their threads.
    QPair<QString, QString> deliver()
    {
        fakegoogle::SimpleMessage first;
        first.from = QStringLiteral("Sofia Matos <sofia@x.pt>");
        first.to = ana;
        first.subject = QString();
        first.text = QStringLiteral("Segue em anexo amanhã.");
        first.date = QDateTime::currentDateTimeUtc().addSecs(-3600);
        first.messageId = "um@x.pt";
        const auto ref = m_rig->google().addMessage(ana, first.toRfc822(),
                                                    {QStringLiteral("INBOX")}, first.date);
        fakegoogle::SimpleMessage second = first;
        second.from = QStringLiteral("rui@x.pt");
        second.subject = QStringLiteral("Re: contas");
        second.text = QStringLiteral("Aqui estão.");
        second.date = QDateTime::currentDateTimeUtc().addSecs(-60);
        second.messageId = "dois@x.pt";
        second.inReplyTo = "um@x.pt";
        second.attachments = {
            {QStringLiteral("fatura.pdf"), "application/pdf", QByteArray(3000, 'p'), {}},
            {QStringLiteral("notas.txt"), "text/plain", "notas", {}}};
        m_rig->google().addMessage(ana, second.toRfc822(), {QStringLiteral("INBOX")}, second.date,
                                   ref.threadId);

        fakegoogle::SimpleMessage news;
        news.from = QStringLiteral("Boletim <news@x.pt>");
        news.to = ana;
        news.subject = QStringLiteral("Novidades");
        news.text = QStringLiteral("Versão em texto do boletim.");
        news.html = QStringLiteral("<p>Boletim <img src=\"https://t.x.pt/p.gif\"></p>");
        const auto newsRef =
            m_rig->google().addMessage(ana, news.toRfc822(), {QStringLiteral("INBOX")});
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
        m_dialogs = std::make_shared<AnsweringDialogs>();
        m_rig->configureClient();
        m_rig->linkDirectly(ana, QStringLiteral("Ana"));
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
        m_rig->google().failNext(QStringLiteral(".*/threads/.*"), 500, 20);
        m_app->selectThread(ThreadSummary{threadId, {}});
        QTRY_VERIFY(pane.notice()->isVisible() && pane.notice()->isBusy());
        QCOMPARE(pane.notice()->textLabel()->text(), QStringLiteral("A abrir a conversa…"));
        QTRY_VERIFY_WITH_TIMEOUT(pane.notice()->retryButton()->isVisible(), 30000);
        QVERIFY(pane.notice()->textLabel()->text().contains(QStringLiteral("500")));
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
        QCOMPARE(loading, (QStringList{QStringLiteral("0"), QStringLiteral("0"),
                                       QStringLiteral("0"), QStringLiteral("1")}));
        QVERIFY(!pane.notice()->isVisible());
        QVERIFY(!pane.showsPlaceholder());
        QVERIFY(pane.toolbar()->isVisible());
        // The oldest message has no subject: the title says so.
        QCOMPARE(pane.title()->text(), QStringLiteral("(sem assunto)"));
        // Built a few at a time, top first.
        QTRY_COMPARE(pane.cards().size(), 2);

        const MessageCard* first = pane.cards().at(0);
        QCOMPARE(labelText(first, "sender"), QStringLiteral("Sofia Matos"));
        QCOMPARE(labelText(first, "avatar"), QStringLiteral("S"));
        QCOMPARE(labelText(first, "recipients"), QStringLiteral("para ") + ana);
        QVERIFY(first->body()->text().contains(QStringLiteral("Segue em anexo amanhã.")));
        QVERIFY(first->attachmentRows().isEmpty());
        QVERIFY(!first->htmlView());

        const MessageCard* second = pane.cards().at(1);
        QCOMPARE(labelText(second, "sender"), QStringLiteral("rui@x.pt"));
        QCOMPARE(labelText(second, "avatar"), QStringLiteral("R"));
        QCOMPARE(second->attachmentRows().size(), 2);
        ReceivedAttachmentRow* pdf = second->attachmentRows().at(0);
        QCOMPARE(labelText(pdf, "attachmentName"), QStringLiteral("fatura.pdf"));
        QCOMPARE(labelText(pdf, "attachmentSize"),
                 QLocale().formattedDataSize(3000, 1, QLocale::DataSizeSIFormat));
        QCOMPARE(labelText(second->attachmentRows().at(1), "attachmentName"),
                 QStringLiteral("notas.txt"));

        // "Guardar" saves through the transfer manager and reads "A guardar"
        // until the save is over.
        const QString path = m_downloads.filePath(QStringLiteral("fatura.pdf"));
        m_dialogs->answers = {path};
        PillButton* save = pdf->saveButton();
        QCOMPARE(save->text(), QStringLiteral("Guardar"));
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
        QCOMPARE(whileRunning, (QStringList{QStringLiteral("A guardar"), QStringLiteral("0")}));
        QCOMPARE(m_app->transfers()->items()->rowCount(), 1);
        QCOMPARE(save->text(), QStringLiteral("Guardar"));
        QVERIFY(save->isEnabled());
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray(3000, 'p'));
        QCOMPARE(m_dialogs->asked.size(), 1);
        QCOMPARE(m_dialogs->asked.at(0).proposedName, QStringLiteral("fatura.pdf"));

        // Cancelling the dialog brings the button back as well.
        QTest::mouseClick(save, Qt::LeftButton);
        QTRY_VERIFY(!pdf->isDownloading());
        QCOMPARE(save->text(), QStringLiteral("Guardar"));

        // An HTML newsletter shows its HTML, images held back.
        awaitTask(session.openThread(newsId));
        QCOMPARE(pane.title()->text(), QStringLiteral("Novidades"));
        QCOMPARE(pane.cards().size(), 1);
        const MessageCard* news = pane.cards().at(0);
        QVERIFY(!news->body());
        QVERIFY(news->htmlView());
        QVERIFY(news->showImagesButton());
        QVERIFY(news->htmlView()->document()->contains(
            QStringLiteral("<p>Boletim <img data-blocked=\"1\" src=\"about:blank#https://")));
    }

    void longConversationsKeepOnlyNearBodies()
    {
        QString threadId;
        for (int m = 0; m < 14; ++m) {
            fakegoogle::SimpleMessage message;
            message.from = QStringLiteral("Boletim <news@x.pt>");
            message.to = ana;
            message.subject = QStringLiteral("Boletim");
            message.text = QStringLiteral("texto");
            message.html = QStringLiteral("<p>Edição %1</p>").arg(m);
            threadId = m_rig->google()
                           .addMessage(ana, message.toRfc822(), {QStringLiteral("INBOX")},
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
        // Only what is in sight gets a web view.
        QTRY_VERIFY(live().constFirst());
        QVERIFY(!live().constLast());

        // Read to the end, the first bodies are let go again.
        QScrollBar* bar = pane.scrollArea()->verticalScrollBar();
        bar->setValue(bar->maximum());
        QTRY_VERIFY(live().constLast());
        QVERIFY(!live().constFirst());
        bar->setValue(0);
        QTRY_VERIFY(live().constFirst());
    }

    void cardFallbacks_data()
    {
        QTest::addColumn<FullMessage>("message");
        QTest::addColumn<QString>("avatar");
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QString>("body");

        FullMessage named;
        named.fromName = QStringLiteral("élia");
        named.fromEmail = QStringLiteral("e@x.pt");
        named.plainText = QStringLiteral("<b>texto</b>");
        named.snippet = QStringLiteral("outro");
        QTest::newRow("plain text, shown as written")
            << named << QStringLiteral("É") << QStringLiteral("élia")
            << QStringLiteral("<b>texto</b>");

        FullMessage nobody;
        nobody.snippet = QStringLiteral("Vemo-nos &amp; falamos");
        QTest::newRow("no sender, no bodies: the snippet")
            << nobody << QString() << QString() << QStringLiteral("Vemo-nos & falamos");
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
        QTest::newRow("quoted names") << QStringLiteral("\"Ana Ribeiro\" <ana@x.pt>, rui@x.pt")
                                      << QStringLiteral("Ana Ribeiro, rui@x.pt");
        QTest::newRow("a decoded name with a comma")
            << QStringLiteral("Silva, Ana <ana@x.pt>, \"Sá, Rui\" <rui@x.pt>")
            << QStringLiteral("Silva, Ana, Sá, Rui");
        QTest::newRow("undisclosed") << QStringLiteral("undisclosed-recipients:;")
                                     << QStringLiteral("undisclosed-recipients:;");
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
        QCOMPARE(pane.replyAction()->text(), QStringLiteral("Responder"));
        QCOMPARE(pane.replyAllAction()->text(), QStringLiteral("Responder a todos"));
        QCOMPARE(pane.forwardAction()->text(), QStringLiteral("Reencaminhar"));
        QCOMPARE(pane.trashAction()->text(), QStringLiteral("Lixeira"));

        // Replies answer the newest message.
        QVERIFY(!m_app->composer());
        pane.replyAction()->trigger();
        QVERIFY(m_app->composer());
        QCOMPARE(m_app->composer()->mode(), ComposerSession::Mode::Reply);
        QCOMPARE(m_app->composer()->to(), QStringLiteral("rui@x.pt"));
        QCOMPARE(m_app->composer()->subject(), QStringLiteral("Re: contas"));
        m_app->closeComposer();

        pane.replyAllAction()->trigger();
        QCOMPARE(m_app->composer()->mode(), ComposerSession::Mode::ReplyAll);
        m_app->closeComposer();

        // Forwarding fetches the attachments first, then brings the composer.
        pane.forwardAction()->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(m_app->composer(), 20000);
        QCOMPARE(m_app->composer()->mode(), ComposerSession::Mode::Forward);
        m_app->closeComposer();

        // "Lixeira" trashes the open conversation, which closes it.
        pane.trashAction()->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(pane.showsPlaceholder(), 20000);
        QVERIFY(session.openThreadId().isEmpty());
        QVERIFY(pane.cards().isEmpty());
    }
};

QTEST_MAIN(TestReaderPane)
#include "tst_readerpane.moc"
