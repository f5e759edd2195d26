#include "AppRig.h"
#include "AwaitTask.h"
#include "gmail/GmailAPIClient.h"
#include "gmail/WireRecords.h"
#include "model/AttachmentInfo.h"
#include "model/FullMessage.h"
#include "platform/FileManagerReveal.h"
#include "transfers/TransferList.h"
#include "transfers/TransferManager.h"
#include "ui/style/Brand.h"
#include "ui/transfers/TransferCard.h"
#include "ui/transfers/TransfersPanel.h"
#include "ui/widgets/ErrorText.h"
#include "ui/widgets/TextButton.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace vesk;
using namespace Qt::StringLiterals;
using fakegoogle::FaultRule;
using vesk::test::AppRig;
using vesk::test::awaitTask;
using vesk::test::TestRig;

namespace {

const QString account = u"ana@exemplo.pt"_s;

/// The file manager as the panel sees it: it only records what it was asked
/// to show.
class RecordingReveal final : public FileManagerReveal
{
public:
    QStringList revealed;
    void reveal(const QString& path) override { revealed.append(path); }
};

/// What a person reading the card sees: its visible labels and buttons.
QStringList visibleTexts(const QWidget* card)
{
    QStringList texts;
    for (const QLabel* label : card->findChildren<QLabel*>())
        if (label->isVisibleTo(card) && !label->text().isEmpty())
            texts.append(label->text());
    for (const QAbstractButton* button : card->findChildren<QAbstractButton*>())
        if (button->isVisibleTo(card))
            texts.append(button->text());
    return texts;
}

TextButton* revealButton(const QWidget* card)
{
    for (TextButton* button : card->findChildren<TextButton*>())
        if (button->isVisibleTo(card) && button->text() == u"Mostrar na pasta"_s)
            return button;
    return nullptr;
}

bool barShown(const QWidget* card)
{
    const auto* bar = card->findChild<QProgressBar*>();
    return bar && bar->isVisibleTo(card);
}

} // namespace

class TestTransfersPanel : public QObject
{
    Q_OBJECT

    std::unique_ptr<AppRig> m_rig;
    std::shared_ptr<GmailAPIClient> m_api;
    std::shared_ptr<RecordingReveal> m_reveal;
    std::unique_ptr<TransferManager> m_manager;
    std::unique_ptr<TransfersPanel> m_panel;
    std::unique_ptr<QAbstractItemModelTester> m_tester;

    AttachmentInfo deliver(const QString& name, int size)
    {
        return m_rig->rig.deliverAttachment(account, name, QByteArray(size, 'v'));
    }

    /// Starts a download the test lets run, answering the save dialog.
    QCoro::Task<std::optional<QString>> start(const AttachmentInfo& attachment, QString* path)
    {
        *path = m_rig->rig.path(attachment.filename);
        m_rig->dialogs->answers.append(*path);
        return m_manager->download(attachment, account, m_api);
    }

private slots:
    void initTestCase() { Brand::apply(*qApp); }

    void init()
    {
        m_rig = std::make_unique<AppRig>(QList{AccountIdentity{account, u"Ana Sá"_s}});
        m_api = m_rig->rig.gmailClient(account);
        m_reveal = std::make_shared<RecordingReveal>();
        m_manager = std::make_unique<TransferManager>(m_rig->dialogs);
        m_panel = std::make_unique<TransfersPanel>(m_manager.get(), m_reveal);
        m_panel->show();
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_manager->items(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    void cleanup()
    {
        m_tester.reset();
        m_panel.reset();
        m_manager.reset();
        m_api.reset();
        m_rig.reset();
    }

    void manyCardsScrollInsteadOfGrowingOffTheScreen()
    {
        FaultRule missing = TestRig::onAttachmentsOf(u"[^/]+"_s, FaultRule::Kind::Status);
        missing.status = 404;
        missing.times = -1;
        m_rig->google().addFault(missing);
        const AttachmentInfo attachment = deliver(u"fatura.pdf"_s, 100);
        QString path;
        QVERIFY(!awaitTask(start(attachment, &path)));
        QVERIFY(!m_panel->list()->verticalScrollBar()->isVisible());
        for (int i = 0; i < 21; ++i)
            QVERIFY(!awaitTask(start(attachment, &path)));
        QCOMPARE(m_panel->cards().size(), 22);
        QVERIFY(m_panel->sizeHint().height() < 600);
        QTRY_VERIFY(m_panel->list()->verticalScrollBar()->isVisible());
        QVERIFY(m_panel->list()->verticalScrollBar()->maximum() > 0);
    }

    void cardsFollowDownloadsFromStartToClearing()
    {
        // Empty, the panel says so and keeps its clear button, which does nothing.
        QVERIFY(m_panel->emptyText()->isVisible() && m_panel->clearButton()->isVisible());
        m_panel->clearButton()->click();
        QVERIFY(m_panel->cards().isEmpty());

        const AttachmentInfo slow = deliver(u"relatório anual.pdf"_s, 60000);
        const AttachmentInfo quick = deliver(u"fotos.zip"_s, 3000);
        const AttachmentInfo gone = deliver(u"contrato.pdf"_s, 100);
        FaultRule trickle = TestRig::onAttachmentsOf(slow.messageId, FaultRule::Kind::SlowChunks);
        trickle.chunkBytes = 2048;
        trickle.chunkIntervalMs = 100;
        m_rig->google().addFault(trickle);
        FaultRule missing = TestRig::onAttachmentsOf(gone.messageId, FaultRule::Kind::Status);
        missing.status = 404;
        m_rig->google().addFault(missing);

        // Running: the name, "A transferir", the account and a bar, empty
        // while the chunked answer announces no length.
        QString slowPath;
        auto slowTask = start(slow, &slowPath);
        QCOMPARE(m_panel->cards().size(), 1);
        TransferCard* running = m_panel->cards().first();
        QVERIFY(!m_panel->emptyText()->isVisible());
        QSignalSpy progress(m_manager->items(), &TransferList::dataChanged);
        QVERIFY(progress.wait());
        QVERIFY(m_manager->items()->all().first().received > 0);
        QCOMPARE(visibleTexts(running),
                 QStringList({u"relatório anual.pdf"_s, u"A transferir"_s, account}));
        QVERIFY(barShown(running));
        QCOMPARE(running->findChild<QProgressBar*>()->value(), 0);

        // Done: newest first, the bar gone, the file revealed on request.
        QString quickPath;
        QCOMPARE(awaitTask(start(quick, &quickPath)), quickPath);
        QCOMPARE(m_panel->cards().size(), 2);
        TransferCard* done = m_panel->cards().first();
        QCOMPARE(m_panel->cards().last(), running);
        QCOMPARE(visibleTexts(done), QStringList({u"fotos.zip"_s, account, u"Mostrar na pasta"_s}));
        QVERIFY(!barShown(done));
        QVERIFY(m_reveal->revealed.isEmpty());
        revealButton(done)->click();
        QCOMPARE(m_reveal->revealed, QStringList{quickPath});

        // Failed: Google's message rather than its JSON, folded to a few
        // lines, the whole answer on hover; no bar.
        QString gonePath;
        QVERIFY(!awaitTask(start(gone, &gonePath)));
        TransferCard* failed = m_panel->cards().first();
        const QStringList texts = visibleTexts(failed);
        QCOMPARE(texts.size(), 3);
        QCOMPARE(texts[0], u"contrato.pdf"_s);
        QVERIFY(texts[1].simplified().startsWith(u"O Gmail não encontrou"_s));
        QCOMPARE(texts[2], account);
        auto* failureLabel = failed->findChildren<QLabel*>().at(2);
        QCOMPARE(failureLabel->text(), texts[1]);
        QVERIFY(failureLabel->text().count(u'\n') <= 2 && failureLabel->width() <= 220);
        QCOMPARE(failureLabel->toolTip(),
                 ErrorText::tooltip(m_manager->items()->all().first().state.failureDetails));
        QVERIFY(!barShown(failed));

        // Clearing takes the finished cards and keeps the running one, the
        // same card as before.
        m_panel->clearButton()->click();
        QCOMPARE(m_panel->cards(), QList<TransferCard*>{running});
        m_panel->clearButton()->click();
        QCOMPARE(m_panel->cards(), QList<TransferCard*>{running});

        // When it ends its bar gives way to "Mostrar na pasta".
        QCOMPARE(awaitTask(std::move(slowTask)), slowPath);
        QCOMPARE(m_panel->cards(), QList<TransferCard*>{running});
        QVERIFY(!barShown(running));
        revealButton(running)->click();
        QCOMPARE(m_reveal->revealed, QStringList({quickPath, slowPath}));
        m_panel->clearButton()->click();
        QVERIFY(m_panel->cards().isEmpty());
        QVERIFY(m_panel->emptyText()->isVisible());
    }
};

QTEST_MAIN(TestTransfersPanel)
#include "tst_transferspanel.moc"
