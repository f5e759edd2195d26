// The welcome and about views, the sidebar, the accounts and settings sheets
// over a real application state, the production file dialogs and file manager
// over the private session bus, and attachments saved by a real transfer
// manager from the stand-in, with the transfers panel over it.

#include "GoogleRefusal.h"
#include "TestFiles.h"
#include "UiRig.h"
#include "gmail/GmailAPIClient.h"
#include "gmail/LiveGmailAPI.h"
#include "gmail/StaticTokenProvider.h"
#include "gmail/WireRecords.h"
#include "model/AttachmentInfo.h"
#include "model/FullMessage.h"
#include "model/MailStore.h"
#include "model/OfflineLimit.h"
#include "platform/DesktopFileManager.h"
#include "platform/FileManagerReveal.h"
#include "transfers/SafeFileName.h"
#include "transfers/TransferList.h"
#include "ui/dialogs/AboutView.h"
#include "ui/dialogs/AccountsSheet.h"
#include "ui/dialogs/QtFileDialogs.h"
#include "ui/dialogs/SettingsWindow.h"
#include "ui/sidebar/AccountListModel.h"
#include "ui/sidebar/LabelListModel.h"
#include "ui/sidebar/SidebarPane.h"
#include "ui/style/Brand.h"
#include "ui/transfers/TransferCard.h"
#include "ui/transfers/TransfersPanel.h"
#include "ui/welcome/StarField.h"
#include "ui/welcome/StarFieldWidget.h"
#include "ui/welcome/WelcomeView.h"
#include "ui/widgets/ErrorText.h"
#include "ui/widgets/PillButton.h"
#include "ui/widgets/TextButton.h"
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
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <thread>

using namespace Qt::StringLiterals;
using namespace vesk;
using namespace vesk::test;
using fakegoogle::FaultRule;
using State = TransferItem::State;

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

    /// A panel over a transfer manager of its own, downloading from Ana's
    /// account at the stand-in.
    struct Fixture
    {
        AppRig rig{{AccountIdentity{ana, u"Ana Sá"_s}}};
        std::shared_ptr<GmailAPIClient> api = rig.rig.gmailClient(ana);
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
        return m->rig.rig.deliverAttachment(ana, name, QByteArray(size, 'v'));
    }

    AttachmentInfo deliver(const QString& name, const QByteArray& bytes)
    {
        return m->rig.rig.deliverAttachment(ana, name, bytes);
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
        return m->manager.download(attachment, ana, m->api);
    }

    QList<TransferItem> items() const { return m->manager.items()->all(); }

    /// Starts a download the test lets run, answering the save dialog.
    QCoro::Task<std::optional<QString>> start(const AttachmentInfo& attachment, QString* path)
    {
        *path = m->rig.rig.path(attachment.filename);
        m->rig.dialogs->answers.append(*path);
        return m->manager.download(attachment, ana, m->api);
    }

    /// The transfers panel over a manager of its own, on screen.
    void openTransfers()
    {
        m = std::make_unique<Fixture>();
        m->panel.show();
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
    void cleanup()
    {
        m.reset();
        m_rig.reset();
    }

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
        openTransfers();
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
        openTransfers();
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
        QCOMPARE(item.accountEmail, ana);
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
        openTransfers();
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
            std::make_shared<StaticTokenProvider>(m->rig.rig.tokensFor(ana).accessToken),
            m->rig.rig.gmailEndpoints());
        QCOMPARE(awaitTask(m->manager.download(attachment, ana, lateReporter)), again);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(items().constFirst().state, State::done());
        QCOMPARE(items().constFirst().received, bytes.size());
        QCOMPARE(readFile(again), bytes);
    }

    void concurrentDownloadsComeNewestFirst()
    {
        openTransfers();
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
        openTransfers();
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
        openTransfers();
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
        openTransfers();
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
                 QStringList({u"relatório anual.pdf"_s, u"A transferir"_s, ana}));
        QVERIFY(barShown(running));
        QCOMPARE(running->findChild<QProgressBar*>()->value(), 0);

        // Done: newest first, the bar gone, the file revealed on request.
        QString quickPath;
        QCOMPARE(awaitTask(start(quick, &quickPath)), quickPath);
        QCOMPARE(m->panel.cards().size(), 2);
        TransferCard* done = m->panel.cards().first();
        QCOMPARE(m->panel.cards().last(), running);
        QCOMPARE(visibleTexts(done), QStringList({u"fotos.zip"_s, ana, u"Mostrar na pasta"_s}));
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
        QCOMPARE(texts[2], ana);
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

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
