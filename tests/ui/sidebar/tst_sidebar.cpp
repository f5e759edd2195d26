#include "GoogleRefusal.h"
#include "UiRig.h"
#include "auth/OAuthService.h"
#include "model/MailStore.h"
#include "ui/sidebar/AccountListModel.h"
#include "ui/sidebar/LabelListModel.h"
#include "ui/sidebar/SidebarPane.h"
#include "ui/style/Brand.h"
#include "ui/widgets/ErrorText.h"
#include "ui/widgets/PillButton.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QSignalSpy>

using namespace Qt::StringLiterals;
using namespace vesk;
using namespace vesk::test;

namespace {

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

class TestSidebar : public QObject
{
    Q_OBJECT

    std::optional<UiRig> m_rig;

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
    void init()
    {
        m_rig.emplace(QList<AccountIdentity>{{ana, u"Ana Lopes"_s}, {rui, u"Rui Matos"_s}});
    }
    void cleanup() { m_rig.reset(); }

    void modelsChangeRowByRowThroughSyncs()
    {
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
};

QTEST_MAIN(TestSidebar)
#include "tst_sidebar.moc"
