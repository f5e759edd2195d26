// The welcome and about views, the sidebar, the accounts and settings sheets
// over a real application state, and the production file dialogs and file
// manager over the private session bus.

#include "GoogleRefusal.h"
#include "UiRig.h"
#include "model/MailStore.h"
#include "model/OfflineLimit.h"
#include "platform/DesktopFileManager.h"
#include "ui/dialogs/AboutView.h"
#include "ui/dialogs/AccountsSheet.h"
#include "ui/dialogs/QtFileDialogs.h"
#include "ui/dialogs/SettingsWindow.h"
#include "ui/sidebar/AccountListModel.h"
#include "ui/sidebar/LabelListModel.h"
#include "ui/sidebar/SidebarPane.h"
#include "ui/style/Brand.h"
#include "ui/welcome/StarField.h"
#include "ui/welcome/StarFieldWidget.h"
#include "ui/welcome/WelcomeView.h"
#include "ui/widgets/ErrorText.h"
#include "ui/widgets/PillButton.h"
#include "ui/widgets/ToggleSwitch.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
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

// The texts a person sees, top to bottom.
QStringList shownTexts(const QWidget& root)
{
    QList<QLabel*> labels = root.findChildren<QLabel*>();
    std::stable_sort(labels.begin(), labels.end(), [&root](QLabel* a, QLabel* b) {
        return a->mapTo(&root, QPoint()).y() < b->mapTo(&root, QPoint()).y();
    });
    QStringList texts;
    for (const QLabel* label : labels) {
        if (label->isVisibleTo(&root) && !label->text().isEmpty())
            texts.append(label->text());
    }
    return texts;
}

// Every visible text fits its label: nothing is cut off at the bottom.
bool nothingClipped(const QWidget& root)
{
    const QList<QLabel*> labels = root.findChildren<QLabel*>();
    for (const QLabel* label : labels) {
        if (!label->isVisibleTo(&root) || label->text().isEmpty())
            continue;
        const int needed =
            label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height();
        if (label->height() < needed || label->width() < label->minimumSizeHint().width())
            return false;
    }
    return true;
}

QStringList highlighted(const QAbstractItemModel& model)
{
    QStringList ids;
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.index(row, 0).data(LabelListModel::HighlightedRole).toBool())
            ids.append(model.index(row, 0).data(LabelListModel::IdRole).toString());
    }
    return ids;
}

void clickRow(QListView* view, const QString& key)
{
    const QModelIndexList found = view->model()->match(
        view->model()->index(0, 0), KeyedListModel::KeyRole, key, 1, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(key));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(found.first()).center());
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

    std::optional<AppRig> m_rig;

    /// Ana and Rui, linked in an earlier run, and the client configured.
    void linkAnaAndRui()
    {
        m_rig->configureClient();
        m_rig->linkDirectly(ana, u"Ana Lopes"_s);
        m_rig->linkDirectly(rui, u"Rui Matos"_s);
    }

    /// The pane over a state not synced yet, on screen.
    std::unique_ptr<SidebarPane> pane(int height = 700)
    {
        auto pane = std::make_unique<SidebarPane>(m_rig->state());
        pane->resize(260, height);
        pane->show();
        if (!QTest::qWaitForWindowExposed(pane.get()))
            qFatal("the sidebar never showed");
        return pane;
    }

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

    void buttonLeadsToTheNextStep_data()
    {
        QTest::addColumn<bool>("configured");
        QTest::addColumn<int>("texts"); // the card that explains the client's step, or not
        QTest::addColumn<QString>("button");
        QTest::newRow("no client") << false << 4 << u"Abrir Definições"_s;
        QTest::newRow("client") << true << 2 << u"Ligar a primeira conta"_s;
    }

    void buttonLeadsToTheNextStep()
    {
        QFETCH(bool, configured);
        WelcomeView view;
        view.resize(980, 600);
        view.setOAuthConfigured(configured);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QStringList shown = shownTexts(view);
        QTEST(int(shown.size()), "texts");
        QCOMPARE(shown.first(), u"VESK"_s);
        QVERIFY(nothingClipped(view));

        auto* button = view.findChild<PillButton*>();
        QTEST(button->text(), "button");
        QVERIFY(button->isProminent());
        QSignalSpy settings(&view, &WelcomeView::settingsRequested);
        QSignalSpy link(&view, &WelcomeView::linkAccountRequested);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(settings.count(), configured ? 0 : 1);
        QCOMPARE(link.count(), configured ? 1 : 0);

        // A failed link is reported under the button until it is cleared.
        const QString failure = u"O início de sessão foi cancelado."_s;
        view.setLinkError(failure);
        // Lay out now: relayouts are posted, and the check reads geometry.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QVERIFY(nothingClipped(view));
        QCOMPARE(shownTexts(view).constLast(), failure);
        view.setLinkError(QString());
        QCOMPARE(shownTexts(view), shown);
    }

    /// The sky is the same picture whenever the window has the same size, so
    /// that it never jumps on a repaint, and every star is on the canvas.
    void skyIsStableAndOnTheCanvas()
    {
        WelcomeView view;
        view.resize(980, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const auto* sky = view.findChild<StarFieldWidget*>();
        QVERIFY(sky);
        const QList<StarField::Star> first = sky->stars();
        QCOMPARE(first, StarField::stars(sky->size()));
        for (const StarField::Star& star : first) {
            QVERIFY(QRectF(QPointF(), sky->size()).contains(star.topLeft));
            QVERIFY(star.size > 0 && star.opacity > 0 && star.opacity < 1);
        }
        view.resize(1200, 700);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCOMPARE(sky->stars(), StarField::stars(sky->size()));
        QVERIFY(sky->stars() != first);
        view.resize(980, 600);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCOMPARE(sky->stars(), first);
        for (const QSizeF canvas : {QSizeF(0, 400), QSizeF(600, 0), QSizeF(-3, 400)})
            QVERIFY(StarField::stars(canvas).isEmpty());
    }

    void aboutShowsTheBuildsVersion()
    {
        AboutView about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(shownTexts(about), QStringList({u"VESK"_s, u"Cliente de Gmail nativo para Linux"_s,
                                                 u"Versão "_s + QStringLiteral(EXPECTED_VERSION)}));
        QVERIFY(nothingClipped(about));
    }

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

    void modelsChangeRowByRowThroughSyncs()
    {
        linkAnaAndRui();
        auto& google = m_rig->google();
        google.addLabel(ana, u"Projetos"_s);
        google.deliverMessage(ana, TestRig::mail(ana, u"Um"_s));
        google.deliverMessage(ana, TestRig::mail(ana, u"Dois"_s));
        AppState& app = m_rig->state();
        AccountListModel accounts(app);
        LabelListModel labels(app);
        QAbstractItemModelTester accountsTester(
            &accounts, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester labelsTester(
            &labels, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy accountResets(&accounts, &QAbstractItemModel::modelReset);
        QSignalSpy labelResets(&labels, &QAbstractItemModel::modelReset);
        QSignalSpy labelRemovals(&labels, &QAbstractItemModel::rowsRemoved);

        // Two accounts: a first row stands for both.
        QCOMPARE(column(accounts, AccountListModel::NameRole),
                 QStringList({u"Todas as contas"_s, u"Ana Lopes"_s, u"Rui Matos"_s}));
        QCOMPARE(column(accounts, AccountListModel::DetailRole),
                 QStringList({u"2 contas"_s, ana, rui}));
        QCOMPARE(column(labels, LabelListModel::IdRole).size(), 7); // nothing synced yet
        awaitTask(app.startAll());
        QCOMPARE(accounts.index(1, 0).data(AccountListModel::UnreadRole).toLongLong(), 2);
        QCOMPARE(accounts.index(2, 0).data(AccountListModel::UnreadRole).toLongLong(), 0);
        QCOMPARE(column(labels, Qt::DisplayRole),
                 QStringList({u"Caixa de entrada"_s, u"Enviados"_s, u"Rascunhos"_s, u"Spam"_s,
                              u"Lixeira"_s, u"Com estrela"_s, u"Importantes"_s, u"Projetos"_s}));
        QCOMPARE(labels.index(0, 0).data(LabelListModel::CountRole).toLongLong(), 2);

        // New mail for Ana changes her row and the inbox row, nothing else.
        google.deliverMessage(ana, TestRig::mail(ana, u"Tres"_s));
        QSignalSpy accountChanges(&accounts, &QAbstractItemModel::dataChanged);
        QSignalSpy labelChanges(&labels, &QAbstractItemModel::dataChanged);
        awaitTask(AppRig::sessionOf(app, ana)->syncNow());
        QCOMPARE(accounts.index(1, 0).data(AccountListModel::UnreadRole).toLongLong(), 3);
        QCOMPARE(accounts.index(0, 0).data(AccountListModel::UnreadRole).toLongLong(), 3);
        QVERIFY(!accountChanges.isEmpty());
        for (const QList<QVariant>& change : accountChanges)
            QVERIFY(change.at(0).toModelIndex().row() <= 1);
        QCOMPARE(labelChanges.size(), 1);
        QCOMPARE(labelChanges.first().at(0).toModelIndex().row(), 0);
        QCOMPARE(labels.index(0, 0).data(LabelListModel::CountRole).toLongLong(), 3);

        // The other account has no labels of its own and no unread mail.
        app.selectAccount(rui);
        QCOMPARE(column(labels, LabelListModel::IdRole).size(), 7);
        QCOMPARE(labels.index(0, 0).data(LabelListModel::CountRole).toLongLong(), 0);
        QCOMPARE(labelRemovals.size(), 1);
        QVERIFY(accountResets.isEmpty() && labelResets.isEmpty());
    }

    void onlyLabelsOfTypeUserAreListed()
    {
        linkAnaAndRui();
        m_rig->google().addFault({.method = u"GET"_s,
                                  .pathPattern = u".*/labels"_s,
                                  .times = -1,
                                  .status = 200,
                                  .headers = {{"Content-Type", "application/json"}},
                                  .body = R"({"labels":[
            {"id":"INBOX","name":"INBOX","type":"system"},
            {"id":"Label_1","name":"Projetos","type":"user"},
            {"id":"Label_2","name":"Maiusculas","type":"User"},
            {"id":"CATEGORY_SOCIAL","name":"CATEGORY_SOCIAL","type":"system"},
            {"id":"Label_3","name":"Viagens","type":"user"}]})"});
        AppState& app = m_rig->state();
        LabelListModel labels(app);
        awaitTask(AppRig::sessionOf(app, ana)->syncNow());
        const QStringList ids = column(labels, LabelListModel::IdRole);
        QCOMPARE(ids.mid(7), QStringList({u"Label_1"_s, u"Label_3"_s}));
        QCOMPARE(labels.index(7, 0).data(Qt::DisplayRole).toString(), u"Projetos"_s);
    }

    void selectionAndHighlightRules()
    {
        linkAnaAndRui();
        m_rig->google().deliverMessage(ana, TestRig::mail(ana, u"Olá"_s));
        m_rig->google().addMessage(rui, TestRig::mail(rui, u"Enviada"_s), {u"SENT"_s});
        const auto pane = this->pane();
        AppState& app = *m_rig->app;
        awaitTask(app.startAll());
        auto* accountsView = pane->findChild<QListView*>(u"accounts"_s);
        auto* labelsView = pane->findChild<QListView*>(u"labels"_s);
        const QAbstractItemModel& labels = *labelsView->model();
        QCOMPARE(highlighted(labels), QStringList(u"INBOX"_s));

        // While searching no label is highlighted; a label click leaves the
        // search, forgets the thread and highlights the label.
        app.setSearchText(u"Olá"_s);
        awaitTask(app.runSearch());
        QVERIFY(app.isSearching() && highlighted(labels).isEmpty());
        app.selectThread(app.visibleThreads().value(0));
        QVERIFY(!app.selectedThreadId().isEmpty());
        clickRow(labelsView, u"SENT"_s);
        QVERIFY(!app.isSearching() && app.selectedThreadId().isEmpty());
        QCOMPARE(app.selectedLabelId(), u"SENT"_s);
        QCOMPARE(highlighted(labels), QStringList(u"SENT"_s));

        // Another account keeps the label and loads it there.
        AccountSession* ruiSession = AppRig::sessionOf(app, rui);
        QVERIFY(!ruiSession->store()->snapshot().loadedLabels.contains(u"SENT"_s));
        clickRow(accountsView, rui);
        QCOMPARE(app.selectedAccountId(), rui);
        QCOMPARE(app.selectedLabelId(), u"SENT"_s);
        QTRY_VERIFY(ruiSession->store()->snapshot().loadedLabels.contains(u"SENT"_s));
        QTRY_COMPARE(app.visibleThreads().size(), 1);
        QCOMPARE(column(*accountsView->model(), AccountListModel::SelectedRole),
                 QStringList({u"false"_s, u"false"_s, u"true"_s}));

        // Every account together: only the labels all of them have, the
        // inbox counting every account's unread mail, the row highlighted
        // alone, and the two accounts marked apart.
        clickRow(accountsView, AppState::allAccountsId());
        QVERIFY(app.isAllAccounts());
        QCOMPARE(column(labels, LabelListModel::IdRole).size(), 7);
        QCOMPARE(highlighted(labels), QStringList(u"SENT"_s));
        const QAbstractItemModel& accounts = *accountsView->model();
        QCOMPARE(column(accounts, AccountListModel::SelectedRole),
                 QStringList({u"true"_s, u"false"_s, u"false"_s}));
        QVERIFY(!accounts.index(0, 0).data(AccountListModel::ColourRole).isValid());
        QVERIFY(accounts.index(1, 0).data(AccountListModel::ColourRole) !=
                accounts.index(2, 0).data(AccountListModel::ColourRole));
        clickRow(labelsView, u"INBOX"_s);
        QCOMPARE(labels.index(0, 0).data(LabelListModel::CountRole).toLongLong(), 1);
        clickRow(accountsView, rui);

        // The keyboard reaches the labels too: Enter on the current row.
        labelsView->setFocus();
        labelsView->setCurrentIndex(labels.index(4, 0));
        QTest::keyClick(labelsView, Qt::Key_Return);
        QCOMPARE(app.selectedLabelId(), u"TRASH"_s);

        QSignalSpy manage(pane.get(), &SidebarPane::manageAccountsRequested);
        QTest::mouseClick(pane->findChild<QWidget*>(u"manageAccounts"_s), Qt::LeftButton);
        QCOMPARE(manage.size(), 1);
    }

    void relinkIsOfferedOnlyWhenLinkingAgainHelps()
    {
        linkAnaAndRui();
        const auto pane = this->pane();
        AppState& app = *m_rig->app;
        auto* error = pane->findChild<QLabel*>(u"errorText"_s);
        auto* relink = pane->findChild<PillButton*>(u"relink"_s);
        auto* syncing = pane->findChild<QWidget*>(u"syncStatus"_s);
        QVERIFY(!error->isVisible());

        AccountSession* session = app.selectedSession();
        m_rig->google().failNext(u".*/labels"_s, 500, -1);
        QCoro::Task<> sync = session->syncNow();
        QVERIFY(syncing->isVisible());
        awaitTask(std::move(sync));
        QVERIFY(!syncing->isVisible() && error->isVisible());
        // What Google said, without its JSON; all of it on hover.
        QCOMPARE(error->text(), u"HTTP 500: Internal error encountered."_s);
        QVERIFY(session->lastFailure()->details.startsWith(u"HTTP 500: {"_s));
        QCOMPARE(error->toolTip(), ErrorText::tooltip(session->lastFailure()->details));
        QVERIFY(!relink->isVisible());

        m_rig->google().clearFaults();
        m_rig->google().addFault(
            TestRig::answering(u".*/labels"_s, 403, googleRefusal("insufficientPermissions"), -1));
        awaitTask(session->syncNow());
        QCOMPARE(session->lastErrorKind(), SessionError::Kind::NeedsRelink);
        QVERIFY(relink->isVisible());
        QVERIFY(error->text().startsWith(u"Falta a permissão do Gmail"_s));

        m_rig->google().clearFaults();
        m_rig->browser->setIdle(true);
        QTest::mouseClick(relink, Qt::LeftButton);
        QVERIFY(app.isLinkingAccount());
        QTRY_COMPARE(m_rig->browser->opened().size(), 1);
        QVERIFY(!relink->isEnabled());
        app.cancelLinking();
        QTRY_VERIFY(!app.isLinkingAccount());

        // A sync that succeeds takes the line away.
        awaitTask(session->syncNow());
        QVERIFY(!error->isVisible());
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
