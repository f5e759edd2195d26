#include "UiRig.h"
#include "app/NoticeBoard.h"
#include "app/UndoOffer.h"
#include "compose/ComposerSession.h"
#include "model/MailStore.h"
#include "sync/AccountSession.h"
#include "transfers/TransferManager.h"
#include "ui/composer/AddressField.h"
#include "ui/composer/ComposerView.h"
#include "ui/composer/ComposerWindow.h"
#include "ui/sidebar/LabelListModel.h"
#include "ui/threadlist/ThreadListModel.h"
#include "ui/threadlist/ThreadListPane.h"
#include "ui/transfers/TransfersPopover.h"
#include "ui/welcome/WelcomeView.h"
#include "ui/widgets/PillButton.h"
#include "ui/widgets/TextButton.h"
#include "ui/window/MainActions.h"
#include "ui/window/MainToolbar.h"
#include "ui/window/MainWindow.h"
#include "ui/window/NoticeBar.h"
#include "ui/window/OfflineLine.h"
#include "ui/window/UndoBar.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QSplitter>
#include <QToolButton>

using namespace vesk;
using namespace vesk::test;
using namespace Qt::StringLiterals;

namespace {

int rowOf(const LabelListModel& labels, const QString& id)
{
    return int(column(labels, LabelListModel::IdRole).indexOf(id));
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    std::optional<AppRig> m_rig;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<MainWindow> m_window;
    int m_sheetsBuilt = 0;

    /// A window over the state, with `threads` as its middle column.
    std::unique_ptr<MainWindow> newWindow(QWidget* threads = new QWidget)
    {
        MainWindow::Windows windows;
        windows.accountsSheet = [this](QWidget* parent) {
            ++m_sheetsBuilt;
            return new QDialog(parent);
        };
        windows.settingsWindow = [](QWidget* parent) {
            auto* settings = new QWidget(parent, Qt::Window);
            settings->setObjectName(u"settings"_s);
            return settings;
        };
        return std::make_unique<MainWindow>(*m_state,
                                            MainWindow::Columns{new QWidget, threads, new QWidget},
                                            windows, m_rig->rig.settings());
    }

    /// Ana linked already, as on a later start of the program.
    void startLinked()
    {
        m_rig->linkDirectly(ana);
        m_window.reset();
        m_state = std::make_unique<AppState>(m_rig->services());
        awaitTask(m_state->startAll());
    }

    void showWindow()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

    void linkAna()
    {
        awaitTask(m_state->linkAccount());
        QCOMPARE(m_state->linkError(), QString());
        QCOMPARE(m_state->sessions().size(), 1);
    }

    /// Whether each command that needs an account is enabled, by menu and by button.
    QList<bool> accountCommands() const
    {
        const MainActions& actions = m_window->actions();
        const MainToolbar& toolbar = *m_window->toolbar();
        return {actions.compose()->isEnabled(), actions.refresh()->isEnabled(),
                toolbar.composeButton()->isEnabled(), toolbar.refreshButton()->isEnabled()};
    }

private slots:
    void init()
    {
        m_rig.emplace(QList{AccountIdentity{ana, u"Ana"_s}});
        m_state = std::make_unique<AppState>(m_rig->services());
        m_window = newWindow();
        m_sheetsBuilt = 0;
    }

    void cleanup()
    {
        if (!m_state->sessions().isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(!m_state->sessions().first()->isSyncing(), 30000);
        m_window.reset();
        m_state.reset();
        m_rig.reset();
    }

    void welcomeAndEnablementFollowTheLinkedAccounts()
    {
        showWindow();
        QVERIFY(m_window->isWelcomeShown());
        QCOMPARE(accountCommands(), QList<bool>(4, false));
        QTest::keyClick(m_window.get(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(m_state->composer(), nullptr);

        // The welcome screen's one button asks for the accounts sheet; Esc closes it.
        m_window->welcomeView()->findChild<PillButton*>()->click();
        QCOMPARE(m_sheetsBuilt, 1);
        QPointer<QDialog> sheet = m_window->accountsSheet();
        QVERIFY(sheet && sheet->isVisible());
        QCOMPARE(sheet->windowModality(), Qt::WindowModal);
        QTest::keyClick(sheet, Qt::Key_Escape);
        QTRY_VERIFY(!sheet);

        linkAna();
        QVERIFY(!m_window->isWelcomeShown());
        QVERIFY(m_window->columns()->isVisible());
        QCOMPARE(accountCommands(), QList<bool>(4, true));

        QSignalSpy syncing(m_state->sessions().first(), &AccountSession::isSyncingChanged);
        QTRY_VERIFY_WITH_TIMEOUT(!m_state->sessions().first()->isSyncing(), 30000);
        syncing.clear();
        m_window->activateWindow(); // the closed sheet took the focus along
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QTest::keyClick(m_window.get(), Qt::Key_F5);
        QVERIFY(syncing.wait());

        // Settings are reached by key on any desktop, not only where it binds one.
        QTest::keyClick(m_window.get(), Qt::Key_Comma, Qt::ControlModifier);
        QTRY_VERIFY(m_window->settingsWindow() && m_window->settingsWindow()->isVisible());
        m_window->settingsWindow()->close();

        awaitTask(m_state->removeAccount(m_state->sessions().first()));
        QVERIFY(m_window->isWelcomeShown());
        QCOMPARE(accountCommands(), QList<bool>(4, false));
    }

    void firstFrameLetsTheHeldCachesLoad()
    {
        m_rig->rig.deliver(ana, u"Convite"_s);
        linkAna();
        QTRY_VERIFY_WITH_TIMEOUT(!m_state->sessions().first()->isSyncing(), 30000);
        m_window.reset();
        m_state.reset(); // writes the cache and its first-screen record

        AppServices services = m_rig->services();
        QVERIFY(AppState::readCachesAhead(services, CacheReadStart::AfterFirstFrame));
        m_state = std::make_unique<AppState>(std::move(services));
        const std::shared_ptr<MailStore> store = m_state->sessions().first()->store();
        m_window = newWindow();
        // Painted before it shows, as it is to warm its caches: not a frame.
        m_window->grab();
        QTest::qWait(300);
        QVERIFY(!store->isLoaded());
        showWindow();
        QTRY_VERIFY_WITH_TIMEOUT(store->isLoaded(), 8000);
    }

    void composersOpenInWindowsOfTheirOwn()
    {
        linkAna();
        showWindow();
        QTest::keyClick(m_window.get(), Qt::Key_N, Qt::ControlModifier);
        m_window->toolbar()->composeButton()->click();
        const QList<QPointer<ComposerWindow>> windows{m_window->composerWindows().value(0),
                                                      m_window->composerWindows().value(1)};
        QCOMPARE(m_state->composers().size(), 2);
        QCOMPARE(m_state->composer()->account().identity.email, ana);
        // Neither holds the main window: it stays usable while they are open.
        QVERIFY(windows[0] && windows[1] && windows[1]->isVisible());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(m_window->isEnabled());
        QCOMPARE(windows[0]->windowTitle(), u"Nova mensagem"_s);
        const QStringList subjects{u"Primeira"_s, u"Segunda"_s};
        for (int i = 0; i < 2; ++i) {
            QTest::keyClicks(windows[i]->view()->toField()->input(), u"rui@exemplo.pt"_s);
            QTest::keyClicks(windows[i]->view()->subjectField(), subjects[i]);
            QCOMPARE(windows[i]->windowTitle(), subjects[i]);
        }

        // Quitting saves each message as a draft of its own before anything closes.
        m_window->close();
        QTRY_VERIFY(!windows[0] && !windows[1]);
        QVERIFY(m_state->composers().isEmpty());
        QCOMPARE(m_rig->google().draftIds(ana).size(), 2);

        // A composer closed elsewhere takes its window along.
        m_state->startNewMessage();
        QPointer<ComposerWindow> window = m_window->composerWindow();
        QVERIFY(window && window->isVisible());
        m_state->closeComposer(m_state->composer());
        QTRY_VERIFY(!window);
    }

    void transfersSymbolIsFilledExactlyWhileADownloadRuns()
    {
        linkAna();
        showWindow();
        MainToolbar* toolbar = m_window->toolbar();
        QCOMPARE(toolbar->transfersSymbol(), Symbol::Downloads);

        QList<Symbol> shown;
        connect(m_state->transfers().get(), &TransferManager::hasActiveChanged, this,
                [&] { shown.append(toolbar->transfersSymbol()); });
        m_rig->dialogs->answers.append(m_rig->rig.path(u"fotos.zip"_s));
        const auto api = m_state->sessions().first()->api();
        QVERIFY(awaitTask(m_state->transfers()->download(
            m_rig->rig.deliverAttachment(ana, u"fotos.zip"_s, QByteArray(200000, 'x')), ana, api)));
        QCOMPARE(shown, QList<Symbol>({Symbol::DownloadsActive, Symbol::Downloads}));

        // The button opens its panel under itself; Esc closes it again.
        toolbar->transfersButton()->click();
        QPointer<TransfersPopover> panel = toolbar->transfersPanel();
        QVERIFY(panel && panel->isVisible());
        QVERIFY(panel->geometry().top() >=
                toolbar->transfersButton()->mapToGlobal(QPoint(0, 0)).y());
        QTest::keyClick(panel, Qt::Key_Escape);
        QTRY_VERIFY(!panel);
        QVERIFY(!toolbar->transfersButton()->isChecked());
    }

    void columnsKeepTheirStoredSizes()
    {
        linkAna();
        showWindow();
        QSplitter* columns = m_window->columns();
        columns->setSizes({320, 420, 500});
        const QList<int> chosen = columns->sizes();
        const int width = m_window->width();
        m_window->close();

        m_window = newWindow();
        m_window->resize(width, m_window->height());
        showWindow();
        QCOMPARE(m_window->columns()->sizes().mid(0, 2), chosen.mid(0, 2));
    }

    /// With Google out of reach: the quiet line with the number of waiting
    /// changes, the outbox row in the sidebar with its count, and the bar of
    /// refused changes, dismissed by the keyboard.
    void footAndOutboxFollowTheConnection()
    {
        const auto invite =
            m_rig->google().deliverMessage(ana, TestRig::mail(QString(), u"Convite"_s));
        startLinked();
        AppState& state = *m_state;
        m_window = newWindow();
        MainWindow& window = *m_window;
        LabelListModel labels(state);
        showWindow();
        QVERIFY(!window.offlineLine()->isVisible() && !window.noticeBar()->isVisible());
        QCOMPARE(rowOf(labels, AppState::outboxId()), -1);

        const quint16 port = m_rig->google().port();
        m_rig->google().stop();
        awaitTask(state.archive(QStringList{invite.threadId}));
        state.startNewMessage();
        state.composer()->setTo(u"rui@exemplo.pt"_s);
        state.composer()->setSubject(u"Notas"_s);
        QVERIFY(awaitTask(state.composer()->send()));
        state.closeComposer(state.composer());
        QTRY_VERIFY(window.offlineLine()->isVisible());
        const QString line = window.offlineLine()->text();
        QVERIFY2(line.startsWith(u"Sem ligação — as alterações são enviadas quando a ligação "
                                 "voltar."_s) &&
                     line.endsWith(u"2 alterações à espera"_s),
                 qPrintable(line));
        // The outbox sits under the inbox, with its count, and lists the
        // message as going to its recipient.
        const int outbox = rowOf(labels, AppState::outboxId());
        QCOMPARE(outbox, rowOf(labels, u"INBOX"_s) + 1);
        QCOMPARE(labels.index(outbox).data().toString(), u"Caixa de saída"_s);
        QCOMPARE(labels.index(outbox).data(LabelListModel::CountRole).toInt(), 1);
        state.selectLabel(AppState::outboxId());
        QCOMPARE(state.visibleThreads().size(), 1);
        QCOMPARE(state.visibleThreads().first().subject(), u"Notas"_s);
        // Opening it takes it out of the outbox, into the composer.
        state.selectThread(state.visibleThreads().first());
        QTRY_VERIFY(state.composer());
        QCOMPARE(state.composer()->to(), u"rui@exemplo.pt"_s);
        QCOMPARE(rowOf(labels, AppState::outboxId()), -1);
        awaitTask(state.composer()->discardDraft());
        state.closeComposer(state.composer());
        state.selectLabel(u"INBOX"_s);

        QVERIFY(m_rig->google().start(port));
        awaitTask(state.refresh());
        QTRY_VERIFY(!window.offlineLine()->isVisible());

        // A notice stays until dismissed, from the keyboard too.
        state.notices().post(u"Não foi possível arquivar «Convite» (ana@exemplo.pt): recusado."_s);
        QTRY_VERIFY(window.noticeBar()->isVisible());
        auto* dismiss = window.noticeBar()->findChild<TextButton*>();
        QVERIFY(dismiss);
        dismiss->setFocus();
        QTest::keyClick(dismiss, Qt::Key_Space);
        QTRY_VERIFY(!window.noticeBar()->isVisible());
        QVERIFY(state.notices().notices().isEmpty());
    }

    /// From the keyboard alone: two conversations selected with Shift+Down,
    /// archived with "e", the undo bar saying so, Ctrl+Z bringing them back.
    void severalArchivedAndBackByKeyboard()
    {
        for (const QString& subject : {u"Jantar"_s, u"Obras"_s, u"Férias"_s})
            m_rig->google().deliverMessage(ana, TestRig::mail(QString(), subject));
        startLinked();
        // Offered long enough for a slow machine to reach Google meanwhile.
        m_state->undoOffer().setLasting(std::chrono::minutes(2));
        auto* pane = new ThreadListPane(*m_state);
        m_window = newWindow(pane);
        showWindow();
        UndoBar* bar = m_window->undoBar();
        QVERIFY(!bar->isVisible() && !m_window->actions().undo()->isEnabled());
        QListView* list = pane->listView();
        QCOMPARE(list->model()->rowCount(), 3);
        // The keyboard starts on the conversations, not on the toolbar.
        QCOMPARE(QApplication::focusWidget(), list);
        const QStringList all = column(*list->model(), ThreadListModel::ThreadIdRole);

        // The first one read, then a second added to it.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(0, 0)).center());
        QTRY_COMPARE(m_state->selectedSession()->openThreadId(), all.first());
        QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(m_state->selectedThreadIds(), all.mid(0, 2));
        QTest::keyClick(list, Qt::Key_E);
        QTRY_COMPARE(list->model()->rowCount(), 1);
        QTRY_VERIFY(bar->isVisible());
        QCOMPARE(bar->text(), u"2 conversas arquivadas."_s);
        // Gone from the list, they are no longer selected or read either.
        QVERIFY(m_state->selectedThreadIds().size() < 2);
        QTest::qWait(100);
        QVERIFY(!all.mid(0, 2).contains(m_state->selectedSession()->openThreadId()));

        QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
        QTRY_COMPARE(column(*list->model(), ThreadListModel::ThreadIdRole), all);
        QVERIFY(!bar->isVisible() && !m_window->actions().undo()->isEnabled());
        QTRY_COMPARE_LONG(m_state->waitingChanges(), 0);

        // Undone by the bar's button too, once Gmail has the change.
        QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_E);
        QTRY_COMPARE(bar->text(), u"Arquivada."_s);
        QTRY_COMPARE_LONG(m_state->waitingChanges(), 0);
        QTest::mouseClick(bar->undoButton(), Qt::LeftButton);
        QTRY_COMPARE_LONG(list->model()->rowCount(), 3);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
