// Attachments saved from the stand-in by a real transfer manager, and the
// transfers panel over it.

#include "AppRig.h"
#include "TestFiles.h"
#include "gmail/GmailAPIClient.h"
#include "gmail/LiveGmailAPI.h"
#include "gmail/StaticTokenProvider.h"
#include "gmail/WireRecords.h"
#include "model/AttachmentInfo.h"
#include "model/FullMessage.h"
#include "platform/FileManagerReveal.h"
#include "transfers/SafeFileName.h"
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
#include <QSaveFile>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>

#include <thread>

using namespace vesk;
using namespace Qt::StringLiterals;
using fakegoogle::FaultRule;
using namespace vesk::test;
using State = TransferItem::State;

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

/// Every byte value, so that any re-encoding on the way shows.
QByteArray binary(int size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * seed + i / 256) & 0xff);
    return bytes;
}

/// The real transport as the download contract allows it to behave: progress
/// reported from another thread, and (the hard case) only once the answer is
/// complete, so that every report reaches the GUI thread after the download
/// has returned.
class LateProgressTransport final : public HTTPTransport
{
public:
    explicit LateProgressTransport(std::shared_ptr<HTTPTransport> inner)
        : m_inner(std::move(inner))
    {}

    QCoro::Task<HTTPResponse> send(HTTPRequest request) override
    {
        auto reports = std::make_shared<QList<QPair<qint64, qint64>>>();
        const HTTPProgress onProgress =
            std::exchange(request.onProgress, [reports](qint64 r, qint64 e) {
                reports->append({r, e});
            });
        HTTPResponse response = co_await m_inner->send(std::move(request));
        if (onProgress) {
            std::thread([reports, onProgress] {
                for (const auto& [received, expected] : *reports)
                    onProgress(received, expected);
            }).join();
        }
        co_return response;
    }

private:
    const std::shared_ptr<HTTPTransport> m_inner;
};

} // namespace

class TestTransfers : public QObject
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

    AttachmentInfo deliver(const QString& name, const QByteArray& bytes)
    {
        return m->rig.rig.deliverAttachment(account, name, bytes);
    }

    /// A path in the test's folder, given as the save dialog's next answer.
    QString destination(const QString& name)
    {
        const QString path = m->rig.rig.path(name);
        m->rig.dialogs->answers.append(path);
        return path;
    }

    QCoro::Task<std::optional<QString>> download(const AttachmentInfo& attachment)
    {
        return m->manager.download(attachment, account, m->api);
    }

    QList<TransferItem> items() const { return m->manager.items()->all(); }

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

    void proposedNameIsOnePlainFileName_data()
    {
        QTest::addColumn<QString>("attachmentName");
        QTest::addColumn<QString>("proposed");
        QTest::newRow("ordinary") << u"relatório.pdf"_s << u"relatório.pdf"_s;
        QTest::newRow("climbs out") << u"../../.bashrc"_s << u".bashrc"_s;
        QTest::newRow("absolute") << u"/etc/passwd"_s << u"passwd"_s;
        QTest::newRow("windows path") << u"C:\\Users\\x\\a.doc"_s << u"a.doc"_s;
        QTest::newRow("control and bidi characters")
            << u"fatura\u202Efdp.exe\n"_s << u"faturafdp.exe"_s;
        QTest::newRow("nothing left") << u"../.."_s << u"anexo"_s;
        QTest::newRow("empty") << QString() << u"anexo"_s;
        QTest::newRow("too long keeps its extension")
            << (QString(300, QChar(0xe9)) + u".pdf"_s) << (QString(125, QChar(0xe9)) + u".pdf"_s);
    }

    void proposedNameIsOnePlainFileName()
    {
        QFETCH(QString, attachmentName);
        QTEST(safeFileName(attachmentName), "proposed");
    }

    void cancelledDialogRecordsNothing()
    {
        const AttachmentInfo attachment =
            deliver(u"../../.config/autostart/x.desktop"_s, "[Desktop Entry]");
        QVERIFY(!awaitTask(download(attachment))); // cancelled
        QVERIFY(items().isEmpty());
        QVERIFY(!m->manager.hasActive());

        m->rig.dialogs->answers.append(QString()); // confirmed without a path
        QVERIFY(!awaitTask(download(attachment)));
        QVERIFY(items().isEmpty());
        for (const auto& request : m->rig.google().requests())
            QVERIFY(!request.path.contains(u"/attachments/"));

        QCOMPARE(m->rig.dialogs->asked.size(), 2);
        const AnsweringDialogs::Question& asked = m->rig.dialogs->asked.first();
        QCOMPARE(asked.proposedName, u"x.desktop"_s);
        QCOMPARE(asked.directory,
                 QStandardPaths::standardLocations(QStandardPaths::DownloadLocation).value(0));
        QCOMPARE(asked.message, u"Guardar anexo de ana@exemplo.pt"_s);
    }

    void savedFileIsTheAttachmentAndCountsEndComplete()
    {
        const QByteArray bytes = binary(150001, 7);
        const AttachmentInfo attachment = deliver(u"fotos.zip"_s, bytes);
        const QString path = destination(u"guardado.zip"_s);
        QVERIFY(writeFile(path, "antigo")); // an earlier file of that name is replaced whole
        QCOMPARE(awaitTask(download(attachment)), path);
        QCoreApplication::sendPostedEvents(); // progress steps still on their way
        QCOMPARE(readFile(path), bytes);
        const TransferItem item = items().constFirst();
        QCOMPARE(item.state, State::done());
        QCOMPARE(item.filename, u"fotos.zip"_s);
        QCOMPARE(item.accountEmail, account);
        // The counts are of the encoded answer, larger than the file.
        QVERIFY(item.expected > bytes.size());
        QCOMPARE(item.received, item.expected);
        QCOMPARE(item.savedURL, path);
        const QModelIndex row = m->manager.items()->index(0);
        QCOMPARE(row.data(TransferList::FractionRole).toDouble(), 1.0);
        QCOMPARE(row.data(TransferList::SavedPathRole).toString(), path);
    }

    void unannouncedLengthEndsAtTheFileSize()
    {
        const QByteArray bytes = binary(90000, 3);
        const AttachmentInfo attachment = deliver(u"dados.bin"_s, bytes);
        m->rig.google().addFault(
            TestRig::onAttachmentsOf(attachment.messageId, FaultRule::Kind::NoContentLength));
        const QString path = destination(u"dados.bin"_s);
        QList<qint64> expectedWhileRunning;
        connect(m->manager.items(), &TransferList::dataChanged, this, [&] {
            if (items().constFirst().state.isRunning())
                expectedWhileRunning.append(items().constFirst().expected);
        });

        QCOMPARE(awaitTask(download(attachment)), path);
        QVERIFY(!expectedWhileRunning.isEmpty());
        QCOMPARE(expectedWhileRunning.count(0), expectedWhileRunning.size());
        QCOMPARE(items().constFirst().state, State::done());
        QCOMPARE(items().constFirst().expected, 0);
        QCOMPARE(items().constFirst().received, bytes.size());
        QCOMPARE(readFile(path), bytes);

        // Progress reported from another thread only after the answer is
        // complete reaches the list after the end; it must not undo it.
        m->rig.google().addFault(
            TestRig::onAttachmentsOf(attachment.messageId, FaultRule::Kind::NoContentLength));
        const QString again = destination(u"outra-vez.bin"_s);
        const auto lateReporter = std::make_shared<LiveGmailAPI>(
            std::make_shared<LateProgressTransport>(m->rig.rig.transport()),
            std::make_shared<StaticTokenProvider>(m->rig.rig.tokensFor(account).accessToken),
            m->rig.rig.gmailEndpoints());
        QCOMPARE(awaitTask(m->manager.download(attachment, account, lateReporter)), again);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(items().constFirst().state, State::done());
        QCOMPARE(items().constFirst().received, bytes.size());
        QCOMPARE(readFile(again), bytes);
    }

    void concurrentDownloadsComeNewestFirst()
    {
        const QByteArray firstBytes = binary(120000, 5);
        const QByteArray secondBytes = binary(80000, 11);
        const AttachmentInfo first = deliver(u"primeiro.pdf"_s, firstBytes);
        const AttachmentInfo second = deliver(u"segundo.pdf"_s, secondBytes);
        FaultRule slow = TestRig::onAttachmentsOf(u"[^/]+"_s, FaultRule::Kind::SlowChunks);
        slow.times = 2;
        slow.chunkBytes = 16384;
        slow.chunkIntervalMs = 10;
        m->rig.google().addFault(slow);
        const QString firstPath = destination(u"1.pdf"_s);
        const QString secondPath = destination(u"2.pdf"_s);
        QSignalSpy active(&m->manager, &TransferManager::hasActiveChanged);

        auto firstTask = download(first);
        auto secondTask = download(second);
        QCOMPARE(items().size(), 2);
        QCOMPARE(items().at(0).filename, u"segundo.pdf"_s);
        QCOMPARE(items().at(1).filename, u"primeiro.pdf"_s);
        QVERIFY(m->manager.hasActive());
        QCOMPARE(awaitTask(std::move(firstTask)), firstPath);
        QCOMPARE(awaitTask(std::move(secondTask)), secondPath);

        // Active from the first start to the last end, whichever ends first.
        QCOMPARE(QList<QVariantList>(active), (QList<QVariantList>{{true}, {false}}));
        QCOMPARE(items().at(0).state, State::done());
        QCOMPARE(items().at(1).state, State::done());
        QCOMPARE(readFile(firstPath), firstBytes);
        QCOMPARE(readFile(secondPath), secondBytes);
    }

    void failuresKeepTheirTextAndWriteNothing()
    {
        const AttachmentInfo attachment = deliver(u"contrato.pdf"_s, binary(5000, 1));
        m->rig.google().failNext(u".*/attachments/.*"_s, 404);
        const QString notFoundPath = destination(u"contrato.pdf"_s);
        QVERIFY(!awaitTask(download(attachment)));
        // Told as for every other failed call; Google's answer kept as details.
        QCOMPARE(items().constFirst().state.kind, State::Case::Failed);
        QVERIFY(items().constFirst().state.failure.startsWith(u"O Gmail não encontrou"_s));
        QVERIFY(items().constFirst().state.failureDetails.startsWith(u"HTTP 404: {"_s));
        QCOMPARE(items().constFirst().savedURL, std::nullopt);
        QVERIFY(!QFile::exists(notFoundPath));

        // A "folder" that is a file cannot hold the download, not even for root.
        const QString notAFolder = m->rig.rig.path(u"ficheiro"_s);
        QVERIFY(writeFile(notAFolder, {}));
        const QString unwritable = notAFolder + u"/contrato.pdf"_s;
        m->rig.dialogs->answers.append(unwritable);
        QVERIFY(!awaitTask(download(attachment)));
        QSaveFile probe(unwritable);
        QVERIFY(!probe.open(QIODevice::WriteOnly));
        QCOMPARE(items().constFirst().state, State::failed(probe.errorString()));
        QVERIFY(!probe.errorString().isEmpty());
        QCOMPARE(items().constFirst().savedURL, std::nullopt);
        QCOMPARE(items().size(), 2);
        QVERIFY(!m->manager.hasActive());
    }

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

QTEST_MAIN(TestTransfers)
#include "tst_transfers.moc"
