// The accounts and settings sheets over a real application state, and the
// production file dialogs and file manager over the private session bus.

#include "AppRig.h"
#include "model/OfflineLimit.h"
#include "platform/DesktopFileManager.h"
#include "ui/dialogs/AccountsSheet.h"
#include "ui/dialogs/QtFileDialogs.h"
#include "ui/dialogs/SettingsWindow.h"
#include "ui/style/Brand.h"
#include "ui/widgets/PillButton.h"
#include "ui/widgets/ToggleSwitch.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QUrl>

using namespace Qt::StringLiterals;
using namespace vesk;
using namespace vesk::test;

namespace {

const QString ana = u"ana@exemplo.pt"_s;
const QString rui = u"rui@exemplo.pt"_s;

QStringList accountsOf(const AppState& app)
{
    return valuesOf(app.sessions(), &AccountSession::id);
}

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

class TestDialogs : public QObject
{
    Q_OBJECT

    std::optional<AppRig> m_rig;

private slots:
    void initTestCase() { Brand::apply(*qApp); }
    // The settings window and the accounts sheet start with no OAuth client.
    void init()
    {
        m_rig.emplace();
        m_rig->config->setClientId(QString());
        m_rig->config->setClientSecret(QString());
    }
    void cleanup() { m_rig.reset(); }

    void settingsSaveAndStatus()
    {
        AppState app(m_rig->services());
        SettingsWindow window(app, m_rig->config);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Every section, "Sobre" included, shows without scrolling.
        const auto* scroll = window.findChild<QScrollArea*>();
        QVERIFY(scroll);
        QCOMPARE(scroll->verticalScrollBar()->maximum(), 0);
        auto* id = window.findChild<QLineEdit*>(u"Client ID"_s);
        auto* secret = window.findChild<QLineEdit*>(u"Client Secret"_s);
        auto* save = window.findChild<PillButton*>(u"save"_s);
        auto* saved = window.findChild<QLabel*>(u"savedNote"_s);
        auto* status = window.findChild<QLabel*>(u"status"_s);
        QCOMPARE(secret->echoMode(), QLineEdit::Password);
        QVERIFY(!saved->isVisible());
        QCOMPARE(status->text(), u"Cliente por configurar"_s);

        // An empty Client ID is saved all the same and stays unconfigured.
        QTest::keyClicks(secret, u"segredo"_s);
        QTest::mouseClick(save, Qt::LeftButton);
        QVERIFY(saved->isVisible() && !app.oauthConfigured());
        QCOMPARE(saved->text(), u"Guardado"_s);
        QCOMPARE(status->text(), u"Cliente por configurar"_s);

        QTest::keyClicks(id, u"  cid  "_s);
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(m_rig->config->clientId(), u"cid"_s);
        QCOMPARE(m_rig->config->clientSecret(), u"segredo"_s);
        QVERIFY(app.oauthConfigured());
        QCOMPARE(status->text(), u"Cliente configurado"_s);

        // Opened again: the stored client, and no note yet.
        window.hide();
        id->clear();
        window.show();
        QCOMPARE(id->text(), u"cid"_s);
        QCOMPARE(secret->text(), u"segredo"_s);
        QVERIFY(!saved->isVisible());

        // The room for offline reading: 200 MB until changed, applied once
        // typed in full.
        auto* limit = window.findChild<QSpinBox*>(u"offlineLimit"_s);
        QCOMPARE(limit->value(), OfflineLimit::defaultMegabytes);
        limit->setFocus();
        limit->selectAll();
        QTest::keyClicks(limit, u"50"_s);
        QCOMPARE(app.offlineLimit()->megabytes(), OfflineLimit::defaultMegabytes);
        QTest::keyClick(limit, Qt::Key_Return);
        QCOMPARE(app.offlineLimit()->megabytes(), 50);
        QCOMPARE(OfflineLimit(m_rig->rig.settings()).megabytes(), 50);

        QSignalSpy asked(&window, &SettingsWindow::notificationPermissionRequested);
        QTest::mouseClick(window.findChild<PillButton*>(u"askPermission"_s), Qt::LeftButton);
        QCOMPARE(asked.size(), 1);
    }

    void accountsSheetLinksSwitchesAndRemoves()
    {
        m_rig->linkDirectly(rui, u"Rui Matos"_s);
        AppState app(m_rig->services());
        QWidget window;
        window.resize(800, 600);
        window.show();
        AccountsSheet sheet(app, &window);
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        QVERIFY(sheet.isModal() || sheet.windowModality() == Qt::WindowModal);
        auto* notice = sheet.findChild<QLabel*>(u"notice"_s);
        auto* link = sheet.findChild<PillButton*>(u"link"_s);
        auto* waiting = sheet.findChild<QWidget*>(u"waiting"_s);
        auto* error = sheet.findChild<QLabel*>(u"linkError"_s);
        QVERIFY(notice->isVisible() && !link->isEnabled() && !error->isVisible());

        m_rig->configureClient();
        QVERIFY(!notice->isVisible() && link->isEnabled());
        m_rig->browser->setIdle(true);
        QTest::mouseClick(link, Qt::LeftButton);
        QVERIFY(app.isLinkingAccount());
        QVERIFY(waiting->isVisible() && !link->isVisible());
        QTRY_COMPARE(m_rig->browser->opened().size(), 1);
        QTest::mouseClick(sheet.findChild<PillButton*>(u"cancelLink"_s), Qt::LeftButton);
        QTRY_VERIFY(!app.isLinkingAccount());
        QVERIFY(!waiting->isVisible() && link->isVisible() && error->isVisible());
        QCOMPARE(error->text(), app.linkError());

        // A link that goes through adds the account's card.
        m_rig->google().addAccount(ana, u"Ana Lopes"_s);
        m_rig->google().setConsentAccount(ana);
        m_rig->browser->setIdle(false);
        QTest::mouseClick(link, Qt::LeftButton);
        QTRY_COMPARE(accountsOf(app), QStringList({rui, ana}));
        QTRY_VERIFY(!app.isLinkingAccount());
        QVERIFY(!error->isVisible());

        // Each card's switch is its own account's.
        auto* anaCard = sheet.findChild<QWidget*>(u"account:"_s + ana);
        auto* ruiCard = sheet.findChild<QWidget*>(u"account:"_s + rui);
        QVERIFY(anaCard && ruiCard);
        auto* anaSwitch = anaCard->findChild<ToggleSwitch*>();
        QVERIFY(anaSwitch->isChecked());
        QTest::mouseClick(anaSwitch, Qt::LeftButton);
        QVERIFY(!app.registry().notificationsEnabled(ana));
        QVERIFY(!AppRig::sessionOf(app, ana)->notificationsEnabled());
        QVERIFY(app.registry().notificationsEnabled(rui));
        QVERIFY(!anaSwitch->isChecked()); // the same card, still showing the account
        QTest::mouseClick(anaSwitch, Qt::LeftButton);
        QVERIFY(app.registry().notificationsEnabled(ana));

        // Removing asks first, naming the account; Esc (the default,
        // "Cancelar") keeps it, "Remover conta" removes it.
        QPointer<QWidget> removed(ruiCard);
        const auto confirmation = [&]() -> QMessageBox* {
            QTest::mouseClick(ruiCard->findChild<PillButton*>(), Qt::LeftButton);
            auto* box = sheet.findChild<QMessageBox*>(u"confirmRemoval"_s);
            return box && QTest::qWaitForWindowExposed(box) ? box : nullptr;
        };
        QPointer<QMessageBox> box = confirmation();
        QVERIFY(box);
        QVERIFY(box->text().contains(u"Rui Matos"_s) && box->text().contains(rui));
        QCOMPARE(box->defaultButton()->text(), u"Cancelar"_s);
        QTest::keyClick(box, Qt::Key_Escape);
        QTRY_VERIFY(box.isNull());
        QCOMPARE(accountsOf(app), (QStringList{rui, ana}));
        QVERIFY(m_rig->rig.keychain().get(TokenVault::tokenService(), rui));

        box = confirmation();
        QVERIFY(box);
        auto* confirm = box->findChild<QPushButton*>(u"confirmRemove"_s);
        QCOMPARE(confirm->text(), u"Remover conta"_s);
        QTest::mouseClick(confirm, Qt::LeftButton);
        QTRY_COMPARE(accountsOf(app), QStringList(ana));
        QTRY_VERIFY(removed.isNull());
        QVERIFY(sheet.findChild<QWidget*>(u"account:"_s + ana));

        QTest::keyClick(&sheet, Qt::Key_Escape);
        QVERIFY(!sheet.isVisible());
    }

    void saveDialogProposesTheNameAndAnswersTheChoice()
    {
        QTemporaryDir dir;
        QWidget window;
        window.show();
        QtFileDialogs dialogs([&window] { return &window; });

        auto chosen = dialogs.chooseSaveFile(u"fatura.pdf"_s, dir.path(), u"Guardar anexo"_s);
        QFileDialog* dialog = openDialog();
        QVERIFY(dialog && dialog->parentWidget() == &window);
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
        QVERIFY(openDialog() && openDialog()->fileMode() == QFileDialog::ExistingFiles);
        QVERIFY(QMetaObject::invokeMethod(openDialog(), "reject", Qt::QueuedConnection));
        QVERIFY(awaitTask(std::move(none), std::chrono::seconds(20)).isEmpty());
    }

    void revealAsksTheFileManagerAndOpensTheFolderWithoutOne()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
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

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
