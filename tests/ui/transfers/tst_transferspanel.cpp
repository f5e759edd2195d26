#include "AppRig.h"
#include "gmail/GmailAPIClient.h"
#include "gmail/WireRecords.h"
#include "model/AttachmentInfo.h"
#include "model/FullMessage.h"
#include "platform/FileManagerReveal.h"
#include "transfers/TransferList.h"
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

using namespace vesk;
using namespace Qt::StringLiterals;
using fakegoogle::FaultRule;
using namespace vesk::test;

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

void reveal(const QWidget* card)
{
    for (TextButton* button : card->findChildren<TextButton*>())
        if (button->isVisibleTo(card) && button->text() == u"Mostrar na pasta"_s)
            return button->click();
    QFAIL("no \"Mostrar na pasta\" on the card");
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

    /// A panel over a transfer manager of its own, downloading from Ana's
    /// account at the stand-in.
    struct Fixture
    {
        AppRig rig{{AccountIdentity{account, u"Ana Sá"_s}}};
        std::shared_ptr<GmailAPIClient> api = rig.rig.gmailClient(account);
        std::shared_ptr<RecordingReveal> reveal = std::make_shared<RecordingReveal>();
        TransferManager manager{rig.dialogs};
        TransfersPanel panel{&manager, reveal};
        QAbstractItemModelTester tester{manager.items(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest};
    };
    // Not an optional: clang cannot emplace a nested struct with member
    // initialisers inside the class that declares it.
    std::unique_ptr<Fixture> m;

    AttachmentInfo deliver(const QString& name, int size)
    {
        return m->rig.rig.deliverAttachment(account, name, QByteArray(size, 'v'));
    }

    /// Starts a download the test lets run, answering the save dialog.
    QCoro::Task<std::optional<QString>> start(const AttachmentInfo& attachment, QString* path)
    {
        *path = m->rig.rig.path(attachment.filename);
        m->rig.dialogs->answers.append(*path);
        return m->manager.download(attachment, account, m->api);
    }

private slots:
    void initTestCase() { Brand::apply(*qApp); }
    void init()
    {
        m = std::make_unique<Fixture>();
        m->panel.show();
    }
    void cleanup() { m.reset(); }

    void manyCardsScrollInsteadOfGrowingOffTheScreen()
    {
        m->rig.google().failNext(u".*/attachments/.*"_s, 404, -1);
        const AttachmentInfo attachment = deliver(u"fatura.pdf"_s, 100);
        QString path;
        const QScrollBar* bar = m->panel.list()->verticalScrollBar();
        for (int i = 0; i < 22; ++i) {
            QVERIFY(!awaitTask(start(attachment, &path)));
            QVERIFY(i > 0 || !bar->isVisible());
        }
        QCOMPARE(m->panel.cards().size(), 22);
        QVERIFY(m->panel.sizeHint().height() < 600);
        QTRY_VERIFY(bar->isVisible() && bar->maximum() > 0);
    }

    void cardsFollowDownloadsFromStartToClearing()
    {
        // Empty, the panel says so and keeps its clear button, which does nothing.
        QVERIFY(m->panel.emptyText()->isVisible() && m->panel.clearButton()->isVisible());
        m->panel.clearButton()->click();
        QVERIFY(m->panel.cards().isEmpty());

        const AttachmentInfo slow = deliver(u"relatório anual.pdf"_s, 60000);
        const AttachmentInfo quick = deliver(u"fotos.zip"_s, 3000);
        const AttachmentInfo gone = deliver(u"contrato.pdf"_s, 100);
        FaultRule trickle = TestRig::onAttachmentsOf(slow.messageId, FaultRule::Kind::SlowChunks);
        trickle.chunkBytes = 2048;
        trickle.chunkIntervalMs = 100;
        m->rig.google().addFault(trickle);
        m->rig.google().failNext(u".*/messages/"_s + gone.messageId + u"/attachments/.*"_s, 404);

        // Running: the name, "A transferir", the account and a bar, empty
        // while the chunked answer announces no length.
        QString slowPath;
        auto slowTask = start(slow, &slowPath);
        QCOMPARE(m->panel.cards().size(), 1);
        TransferCard* running = m->panel.cards().first();
        QVERIFY(!m->panel.emptyText()->isVisible());
        QSignalSpy progress(m->manager.items(), &TransferList::dataChanged);
        QVERIFY(progress.wait());
        QVERIFY(m->manager.items()->all().first().received > 0);
        QCOMPARE(visibleTexts(running),
                 QStringList({u"relatório anual.pdf"_s, u"A transferir"_s, account}));
        QVERIFY(barShown(running));
        QCOMPARE(running->findChild<QProgressBar*>()->value(), 0);

        // Done: newest first, the bar gone, the file revealed on request.
        QString quickPath;
        QCOMPARE(awaitTask(start(quick, &quickPath)), quickPath);
        QCOMPARE(m->panel.cards().size(), 2);
        TransferCard* done = m->panel.cards().first();
        QCOMPARE(m->panel.cards().last(), running);
        QCOMPARE(visibleTexts(done), QStringList({u"fotos.zip"_s, account, u"Mostrar na pasta"_s}));
        QVERIFY(!barShown(done));
        QVERIFY(m->reveal->revealed.isEmpty());
        reveal(done);
        QCOMPARE(m->reveal->revealed, QStringList{quickPath});

        // Failed: Google's message rather than its JSON, folded to a few
        // lines, the whole answer on hover; no bar.
        QString gonePath;
        QVERIFY(!awaitTask(start(gone, &gonePath)));
        TransferCard* failed = m->panel.cards().first();
        const QStringList texts = visibleTexts(failed);
        QCOMPARE(texts.size(), 3);
        QCOMPARE(texts[0], u"contrato.pdf"_s);
        QVERIFY(texts[1].simplified().startsWith(u"O Gmail não encontrou"_s));
        QCOMPARE(texts[2], account);
        auto* failureLabel = failed->findChildren<QLabel*>().at(2);
        QCOMPARE(failureLabel->text(), texts[1]);
        QVERIFY(failureLabel->text().count(u'\n') <= 2 && failureLabel->width() <= 220);
        QCOMPARE(failureLabel->toolTip(),
                 ErrorText::tooltip(m->manager.items()->all().first().state.failureDetails));
        QVERIFY(!barShown(failed));

        // Clearing takes the finished cards and keeps the running one, the
        // same card as before.
        m->panel.clearButton()->click();
        QCOMPARE(m->panel.cards(), QList<TransferCard*>{running});
        m->panel.clearButton()->click();
        QCOMPARE(m->panel.cards(), QList<TransferCard*>{running});

        // When it ends its bar gives way to "Mostrar na pasta".
        QCOMPARE(awaitTask(std::move(slowTask)), slowPath);
        QCOMPARE(m->panel.cards(), QList<TransferCard*>{running});
        QVERIFY(!barShown(running));
        reveal(running);
        QCOMPARE(m->reveal->revealed, QStringList({quickPath, slowPath}));
        m->panel.clearButton()->click();
        QVERIFY(m->panel.cards().isEmpty());
        QVERIFY(m->panel.emptyText()->isVisible());
    }
};

QTEST_MAIN(TestTransfersPanel)
#include "tst_transferspanel.moc"
