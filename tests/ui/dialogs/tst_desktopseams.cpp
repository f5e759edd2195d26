#include "AwaitTask.h"
#include "platform/DesktopFileManager.h"
#include "ui/dialogs/QtFileDialogs.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
#include <QFileDialog>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace vesk;
using namespace Qt::StringLiterals;
using vesk::test::awaitTask;

namespace {

/// A file manager on the private session bus, as desktops provide one.
class FakeFileManager final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString& startupId)
    {
        Q_EMIT shown(uris, startupId);
    }

Q_SIGNALS:
    void shown(const QStringList& uris, const QString& startupId);
};

/// Stands in for xdg-open: QDesktopServices hands file URLs here.
class OpenedUrls final : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    void open(const QUrl& url) { Q_EMIT opened(url); }

Q_SIGNALS:
    void opened(const QUrl& url);
};

QFileDialog* openDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible())
            return dialog;
    return nullptr;
}

} // namespace

class TestDesktopSeams : public QObject
{
    Q_OBJECT

private slots:
    void saveDialogProposesTheNameAndAnswersTheChoice()
    {
        QTemporaryDir dir;
        QWidget window;
        window.show();
        QtFileDialogs dialogs([&window] { return &window; });

        auto chosen = dialogs.chooseSaveFile(u"fatura.pdf"_s, dir.path(), u"Guardar anexo"_s);
        QFileDialog* dialog = openDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->parentWidget(), &window);
        QCOMPARE(dialog->windowTitle(), u"Guardar anexo"_s);
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(dialog->selectedFiles(), QStringList{dir.filePath(u"fatura.pdf"_s)});
        // The dialog's own OK: through its slot, which checks the name as a
        // click does, and from the event loop, as a click comes.
        QVERIFY(QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection));
        QCOMPARE(awaitTask(std::move(chosen), std::chrono::seconds(20)),
                 dir.filePath(u"fatura.pdf"_s));

        auto cancelled = dialogs.chooseSaveFile(u"fatura.pdf"_s, dir.path(), u"Guardar anexo"_s);
        QVERIFY(QMetaObject::invokeMethod(openDialog(), "reject", Qt::QueuedConnection));
        QCOMPARE(awaitTask(std::move(cancelled), std::chrono::seconds(20)), std::nullopt);

        auto none = dialogs.chooseFilesToOpen(u"Anexar"_s);
        QVERIFY(openDialog());
        QCOMPARE(openDialog()->fileMode(), QFileDialog::ExistingFiles);
        QVERIFY(QMetaObject::invokeMethod(openDialog(), "reject", Qt::QueuedConnection));
        QVERIFY(awaitTask(std::move(none), std::chrono::seconds(20)).isEmpty());
    }

    void revealAsksTheFileManagerAndOpensTheFolderWithoutOne()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.isConnected());
        OpenedUrls urls;
        QDesktopServices::setUrlHandler(u"file"_s, &urls, "open");
        QSignalSpy opened(&urls, &OpenedUrls::opened);
        const QString path = u"/tmp/transferências/relatório final.pdf"_s;
        DesktopFileManager manager;

        // Nobody on the bus: the containing folder is opened instead.
        manager.reveal(path);
        QVERIFY(opened.wait());
        QCOMPARE(opened.first().first().toUrl(), QUrl::fromLocalFile(u"/tmp/transferências"_s));

        FakeFileManager fileManager;
        QSignalSpy shown(&fileManager, &FakeFileManager::shown);
        QVERIFY(bus.registerObject(u"/org/freedesktop/FileManager1"_s, &fileManager,
                                   QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(u"org.freedesktop.FileManager1"_s));
        manager.reveal(path);
        // A call to a service of this very process may be answered at once.
        QVERIFY(!shown.isEmpty() || shown.wait());
        QCOMPARE(shown.first().first().toStringList(),
                 QStringList{QUrl::fromLocalFile(path).toString()});
        QCOMPARE(opened.size(), 1);

        bus.unregisterService(u"org.freedesktop.FileManager1"_s);
        bus.unregisterObject(u"/org/freedesktop/FileManager1"_s);
        QDesktopServices::unsetUrlHandler(u"file"_s);
    }
};

QTEST_MAIN(TestDesktopSeams)
#include "tst_desktopseams.moc"
