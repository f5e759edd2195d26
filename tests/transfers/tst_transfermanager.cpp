#include "AnsweringDialogs.h"
#include "AwaitTask.h"
#include "TestFiles.h"
#include "TestRig.h"
#include "gmail/LiveGmailAPI.h"
#include "gmail/StaticTokenProvider.h"
#include "model/AttachmentInfo.h"
#include "transfers/SafeFileName.h"
#include "transfers/TransferList.h"
#include "transfers/TransferManager.h"

#include <QAbstractItemModelTester>
#include <QCoroTask>
#include <QFile>
#include <QSaveFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <thread>

using namespace Qt::StringLiterals;
using namespace vesk;
using fakegoogle::FakeGoogle;
using fakegoogle::FaultRule;
using namespace vesk::test;
using State = TransferItem::State;

namespace {

const QString account = u"ana@exemplo.pt"_s;

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

class TestTransferManager : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestRig> m_rig;
    FakeGoogle* m_google = nullptr;
    std::shared_ptr<GmailAPIClient> m_api;
    std::shared_ptr<AnsweringDialogs> m_dialogs;
    std::unique_ptr<TransferManager> m_manager;
    std::unique_ptr<QAbstractItemModelTester> m_tester;

    AttachmentInfo deliver(const QString& name, const QByteArray& bytes)
    {
        return m_rig->deliverAttachment(account, name, bytes);
    }

    QString destination(const QString& name)
    {
        const QString path = m_rig->path(name);
        m_dialogs->answers.append(path);
        return path;
    }

    QCoro::Task<std::optional<QString>> download(const AttachmentInfo& attachment)
    {
        return m_manager->download(attachment, account, m_api);
    }

    QList<TransferItem> items() const { return m_manager->items()->all(); }

private slots:
    void init()
    {
        m_rig = std::make_unique<TestRig>(QList{AccountIdentity{account, u"Ana Sá"_s}});
        m_google = &m_rig->google();
        m_api = m_rig->gmailClient(account);
        m_dialogs = std::make_shared<AnsweringDialogs>();
        m_manager = std::make_unique<TransferManager>(m_dialogs);
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_manager->items(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    void cleanup()
    {
        m_tester.reset();
        m_manager.reset();
        m_api.reset();
        m_rig.reset();
    }

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
        QVERIFY(!m_manager->hasActive());

        m_dialogs->answers.append(QString()); // confirmed without a path
        QVERIFY(!awaitTask(download(attachment)));
        QVERIFY(items().isEmpty());
        for (const auto& request : m_google->requests())
            QVERIFY(!request.path.contains(u"/attachments/"));

        QCOMPARE(m_dialogs->asked.size(), 2);
        const AnsweringDialogs::Question& asked = m_dialogs->asked.first();
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
        const QModelIndex row = m_manager->items()->index(0);
        QCOMPARE(row.data(TransferList::FractionRole).toDouble(), 1.0);
        QCOMPARE(row.data(TransferList::SavedPathRole).toString(), path);
    }

    void unannouncedLengthEndsAtTheFileSize()
    {
        const QByteArray bytes = binary(90000, 3);
        const AttachmentInfo attachment = deliver(u"dados.bin"_s, bytes);
        m_google->addFault(
            TestRig::onAttachmentsOf(attachment.messageId, FaultRule::Kind::NoContentLength));
        const QString path = destination(u"dados.bin"_s);
        QList<qint64> expectedWhileRunning;
        connect(m_manager->items(), &TransferList::dataChanged, this, [&] {
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
        m_google->addFault(
            TestRig::onAttachmentsOf(attachment.messageId, FaultRule::Kind::NoContentLength));
        const QString again = destination(u"outra-vez.bin"_s);
        const auto lateReporter = std::make_shared<LiveGmailAPI>(
            std::make_shared<LateProgressTransport>(m_rig->transport()),
            std::make_shared<StaticTokenProvider>(m_rig->tokensFor(account).accessToken),
            m_rig->gmailEndpoints());
        QCOMPARE(awaitTask(m_manager->download(attachment, account, lateReporter)), again);
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
        m_google->addFault(slow);
        const QString firstPath = destination(u"1.pdf"_s);
        const QString secondPath = destination(u"2.pdf"_s);
        QSignalSpy active(m_manager.get(), &TransferManager::hasActiveChanged);

        auto firstTask = download(first);
        auto secondTask = download(second);
        QCOMPARE(items().size(), 2);
        QCOMPARE(items().at(0).filename, u"segundo.pdf"_s);
        QCOMPARE(items().at(1).filename, u"primeiro.pdf"_s);
        QVERIFY(m_manager->hasActive());
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
        m_google->failNext(u".*/attachments/.*"_s, 404);
        const QString notFoundPath = destination(u"contrato.pdf"_s);
        QVERIFY(!awaitTask(download(attachment)));
        // Told as for every other failed call; Google's answer kept as details.
        QCOMPARE(items().constFirst().state.kind, State::Case::Failed);
        QVERIFY(items().constFirst().state.failure.startsWith(u"O Gmail não encontrou"_s));
        QVERIFY(items().constFirst().state.failureDetails.startsWith(u"HTTP 404: {"_s));
        QCOMPARE(items().constFirst().savedURL, std::nullopt);
        QVERIFY(!QFile::exists(notFoundPath));

        // A "folder" that is a file cannot hold the download, not even for root.
        const QString notAFolder = m_rig->path(u"ficheiro"_s);
        QVERIFY(writeFile(notAFolder, {}));
        const QString unwritable = notAFolder + u"/contrato.pdf"_s;
        m_dialogs->answers.append(unwritable);
        QVERIFY(!awaitTask(download(attachment)));
        QSaveFile probe(unwritable);
        QVERIFY(!probe.open(QIODevice::WriteOnly));
        QCOMPARE(items().constFirst().state, State::failed(probe.errorString()));
        QVERIFY(!probe.errorString().isEmpty());
        QCOMPARE(items().constFirst().savedURL, std::nullopt);
        QCOMPARE(items().size(), 2);
        QVERIFY(!m_manager->hasActive());
    }
};

QTEST_GUILESS_MAIN(TestTransferManager)
#include "tst_transfermanager.moc"
