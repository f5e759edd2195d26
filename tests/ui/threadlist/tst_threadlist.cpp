#include "SimpleMessage.h"
#include "UiRig.h"
#include "model/MailStore.h"
#include "sync/SyncEngine.h"
#include "ui/style/Brand.h"
#include "ui/style/Icons.h"
#include "ui/threadlist/ThreadActionsMenu.h"
#include "ui/threadlist/ThreadListModel.h"
#include "ui/threadlist/ThreadListPane.h"
#include "ui/threadlist/ThreadRowDelegate.h"
#include "ui/widgets/ElidedTextLayout.h"
#include "ui/widgets/ErrorText.h"
#include "ui/widgets/StatusNotice.h"
#include "ui/widgets/TextButton.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>

using namespace Qt::StringLiterals;
using namespace vesk;
using namespace vesk::test;

namespace {

const QString inbox = u"INBOX"_s;
constexpr int threadId = ThreadListModel::ThreadIdRole;

/// Gmail files a message at its arrival time, which sorts the list.
QDateTime ago(int minutes)
{
    return QDateTime::currentDateTimeUtc().addSecs(-60 * minutes);
}

QByteArray mailFrom(const QString& from, const QString& subject, int minutesAgo)
{
    fakegoogle::SimpleMessage message;
    message.from = from;
    message.to = ana;
    message.subject = subject;
    message.text = u"Sobre \"%1\": vemo-nos amanhã & trago os documentos."_s.arg(subject);
    message.date = ago(minutesAgo);
    return message.toRfc822();
}

QImage look(const QIcon& icon)
{
    return icon.pixmap(16).toImage();
}

QStringList texts(const QMenu& menu)
{
    return valuesOf(menu.actions(), [](const QAction* action) {
        return action->isSeparator() ? u"-"_s : action->text();
    });
}

/// Scrolls to the end, which moves while the view lays new rows out, and
/// says whether `reached` holds yet: for QTRY, which asks again.
template <typename Condition>
bool scrolledUntil(QListView& list, Condition reached)
{
    list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum());
    return reached();
}

/// Argument `at` of every emission the spy saw, as rows.
QList<int> rowsIn(const QSignalSpy& spy, int at)
{
    return valuesOf(spy, [at](const QList<QVariant>& arguments) {
        const QVariant value = arguments.value(at);
        return value.canConvert<QModelIndex>() ? value.toModelIndex().row() : value.toInt();
    });
}

} // namespace

class TestThreadList : public QObject
{
    Q_OBJECT

    std::optional<UiRig> m_rig;
    AppState* m_app = nullptr;
    /// The message ids at Google of each thread, by subject.
    QHash<QString, fakegoogle::MessageRef> m_sent;

    fakegoogle::FakeGoogle& google() { return m_rig->google(); }

    /// `count` threads in Ana's inbox, the first (newest) one at row 0.
    void deliver(int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            const QString subject = u"Assunto %1"_s.arg(i);
            m_sent.insert(subject,
                          google().addMessage(ana, mailFrom(u"Sofia <s@x.pt>"_s, subject, i),
                                              {inbox, u"UNREAD"_s}, ago(i)));
        }
    }

    void start() { m_app = &m_rig->start(); }

    AccountSession& session() { return *m_app->selectedSession(); }

    QStringList labelsAtGoogle(const QString& subject)
    {
        return google().labelIds(ana, m_sent.value(subject).id);
    }

    static QString idAt(const ThreadListPane& pane, int row)
    {
        return pane.model()->index(row).data(threadId).toString();
    }

    /// A pane over the started state, on screen and active.
    static void show(ThreadListPane& pane, int height)
    {
        pane.resize(360, height);
        pane.show();
        QApplication::setActiveWindow(&pane);
        QVERIFY(QTest::qWaitForWindowActive(&pane));
    }

    static void search(ThreadListPane& pane, const QString& text)
    {
        QTest::keyClicks(pane.searchField(), text);
        QTest::keyClick(pane.searchField(), Qt::Key_Return);
    }

    static bool unreadAt(const ThreadListPane& pane, int row)
    {
        return pane.model()->index(row).data(ThreadListModel::IsUnreadRole).toBool();
    }

private Q_SLOTS:
    void initTestCase() { Brand::apply(*qApp); }
    void init()
    {
        m_rig.emplace();
        m_sent.clear();
    }
    void cleanup() { m_rig.reset(); }

    void longListFollowsByDifference()
    {
        // Ana's cache holds older threads than the list compares on the GUI
        // thread, sent ones, and five real ones arrive on top at the first sync.
        const QString sent = u"SENT"_s;
        const int cached = int(AppState::backgroundGroupingFrom()) + 1000;
        {
            MailStore store(ana, m_rig->rig.path(u"cache"_s));
            QList<MessageSummary> summaries;
            for (int i = 0; i < cached; ++i) {
                summaries.append(MessageSummary(u"m%1"_s.arg(i), u"t%1"_s.arg(i), {inbox, sent},
                                                u"Antiga"_s, u"Rui"_s, rui, u"Antiga %1"_s.arg(i),
                                                ago(24 * 60 + i).toMSecsSinceEpoch()));
            }
            store.upsert(summaries);
            store.markLabelLoaded(inbox);
            store.setHistoryId(QString::number(google().historyId(ana)));
            store.flush();
        }
        deliver(5);
        start();
        ThreadListPane pane(*m_app);
        ThreadListModel& model = *pane.model();
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        show(pane, 500);
        QTRY_COMPARE_LONG(model.rowCount(), cached + 5);
        QListView* list = pane.listView();
        list->setCurrentIndex(model.index(3));
        const QString selected = idAt(pane, 3);
        QTRY_VERIFY_LONG(!model.index(3).data(ThreadListModel::IsUnreadRole).toBool() &&
                         !session().isSyncing());
        list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum() / 2);
        const int scrolled = list->verticalScrollBar()->value();
        QVERIFY(scrolled > 0);

        // A new thread, one read, one archived, one moved up by a reply.
        google().addMessage(ana, mailFrom(u"Rui <r@x.pt>"_s, u"Novo"_s, 0), {inbox, u"UNREAD"_s},
                            QDateTime::currentDateTimeUtc().addSecs(60));
        google().modifyMessage(ana, m_sent.value(u"Assunto 1"_s).id, {}, {u"UNREAD"_s});
        google().modifyMessage(ana, m_sent.value(u"Assunto 2"_s).id, {}, {inbox});
        google().addMessage(ana, mailFrom(u"Sofia <s@x.pt>"_s, u"Re: Assunto 4"_s, 0), {inbox},
                            QDateTime::currentDateTimeUtc(), m_sent.value(u"Assunto 4"_s).threadId);
        QSignalSpy reset(&model, &QAbstractItemModel::modelAboutToBeReset);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy refreshed(&model, &ThreadListModel::refreshed);
        awaitTask(session().syncNow());
        QTRY_VERIFY_LONG(!refreshed.isEmpty());

        QCOMPARE(column(model, threadId),
                 valuesOf(m_app->visibleThreads(), &ThreadSummary::threadId));
        QVERIFY(reset.isEmpty());
        QCOMPARE(rowsIn(removed, 1), QList<int>{2});
        QCOMPARE(rowsIn(inserted, 1), QList<int>{0});
        QCOMPARE(rowsIn(moved, 1), QList<int>{4});
        QCOMPARE(rowsIn(moved, 4), QList<int>{1});
        QCOMPARE(rowsIn(changed, 0), (QList<int>{1, 3}));
        QCOMPARE(model.index(1).data(ThreadListModel::MessageCountRole).toInt(), 2);
        QCOMPARE(idAt(pane, list->currentIndex().row()), selected);
        QCOMPARE(list->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(list->currentIndex().row(), 4);
        QCOMPARE(list->verticalScrollBar()->value(), scrolled);
        QCOMPARE(m_app->selectedThreadId(), selected);

        // While the next list is compared the rows stand; a switch of label
        // then makes that comparison moot, and it never lands: only the
        // other label's threads come in.
        QStringList meanwhile;
        // The connection's context is the model, a local of this function
        // too, so no signal reaches the lambda once its captured locals are gone.
        connect(m_app, &AppState::threadsChanged, &model, [&] {
            const QList<ThreadSummary>& visible = m_app->visibleThreads();
            if (meanwhile.isEmpty() && !visible.isEmpty() && // clazy:exclude=lambda-in-connect
                visible.first().subject() == u"Mais"_s) {
                meanwhile = column(model, threadId);
                m_app->selectLabel(sent); // clazy:exclude=lambda-in-connect
            }
        });
        const QStringList before = column(model, threadId);
        inserted.clear();
        google().addMessage(ana, mailFrom(u"Rui <r@x.pt>"_s, u"Mais"_s, 0), {inbox},
                            QDateTime::currentDateTimeUtc().addSecs(120));
        awaitTask(session().syncNow());
        QTRY_VERIFY_LONG(!meanwhile.isEmpty());
        QCOMPARE(meanwhile, before);
        QTRY_VERIFY_LONG(model.rowCount() == cached);
        QCOMPARE(column(model, threadId),
                 valuesOf(m_app->visibleThreads(), &ThreadSummary::threadId));
        QCOMPARE(rowsIn(inserted, 2), QList<int>{cached - 1});
        QVERIFY(reset.isEmpty());
    }

    void rowTextStaysInItsBox()
    {
        const QFont font = Brand::inter(12);
        const qreal lineHeight = QFontMetricsF(font).height();
        // What one layout paints, in white on a transparent picture, inside
        // a box at (10, 10) of the given width: the columns it reached.
        const auto painted = [](const ElidedTextLayout& layout, qreal width) {
            QImage image(400, 80, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setPen(Qt::white);
            layout.draw(&painter, QRectF(10, 10, width, 60), Qt::AlignLeft | Qt::AlignTop);
            painter.end();
            std::pair columns{image.width(), -1};
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (qAlpha(image.pixel(x, y)) > 0)
                        columns = {std::min(columns.first, x), std::max(columns.second, x)};
            return columns;
        };

        const ElidedTextLayout fits(u"Jantar"_s, font, 200);
        QVERIFY(!fits.isElided());
        QVERIFY(fits.naturalWidth() > 0 && fits.naturalWidth() < 200);
        QVERIFY(qAbs(fits.height() - lineHeight) < 1);

        const QString words = u"vemo-nos amanhã e trago os documentos "_s.repeated(8);
        const ElidedTextLayout twoLines(words, font, 200, 2);
        QVERIFY(twoLines.isElided());
        QVERIFY(twoLines.naturalWidth() <= 200);
        QCOMPARE(twoLines.height(), 2 * fits.height());
        const auto [left, right] = painted(twoLines, 200);
        QVERIFY(left >= 10 && right <= 211);
        QVERIFY2(right > 150, "the ellipsis closes the last line");

        // A hostile subject: megabytes on one line, astral characters where
        // the text is cut, or no room at all.
        const ElidedTextLayout huge(QString(4'000'000, u'x'), font, 200);
        QVERIFY(huge.isElided() && huge.height() == fits.height());
        QVERIFY(painted(huge, 200).second <= 211);
        const ElidedTextLayout astral(u"😀"_s.repeated(400), font, 100);
        QVERIFY(astral.isElided() && painted(astral, 100).second <= 111);
        QVERIFY(ElidedTextLayout(u"Jantar"_s, font, 0).isElided());
        const ElidedTextLayout empty(QString(), font, 200, 2);
        QVERIFY(!empty.isElided() && painted(empty, 200).second == -1);
    }

    void rowsAndTheirMenuActOnTheSession()
    {
        const QString projetos = google().addLabel(ana, u"Projetos"_s);
        const QString familia = google().addLabel(ana, u"Família"_s);
        const auto older = google().addMessage(ana, mailFrom(u"Sofia <s@x.pt>"_s, u"Obras"_s, 30),
                                               {inbox, projetos}, ago(30));
        const auto newer =
            google().addMessage(ana, mailFrom(u"Rui <r@x.pt>"_s, u"Re: Obras"_s, 5),
                                {inbox, u"UNREAD"_s, familia}, ago(5), older.threadId);
        deliver(2);
        m_rig->linkDirectly(rui, u"Rui"_s);
        start();
        ThreadListPane pane(*m_app);
        // The conversation's row: both senders, the first subject, the
        // newest snippet, unread while one message is.
        const QModelIndex row = pane.model()->index(2);
        QCOMPARE(row.data(threadId).toString(), older.threadId);
        QCOMPARE(row.data(ThreadListModel::ParticipantsRole).toString(), u"Sofia, Rui"_s);
        QCOMPARE(row.data(ThreadListModel::SubjectRole).toString(), u"Obras"_s);
        QCOMPARE(row.data(ThreadListModel::SnippetRole).toString(),
                 u"Sobre \"Re: Obras\": vemo-nos amanhã & trago os documentos."_s);
        QVERIFY(row.data(ThreadListModel::IsUnreadRole).toBool());
        QCOMPARE(row.data(ThreadListModel::MessageCountRole).toInt(), 2);
        QCOMPARE(pane.model()->index(0).data(ThreadListModel::MessageCountRole).toInt(), 1);
        const ThreadSummary obras = pane.model()->thread(2);

        ThreadActionsMenu menu(*m_app, {obras});
        QCOMPARE(texts(menu), (QStringList{u"Marcar como lida"_s, u"Arquivar"_s,
                                           u"Marcar com estrela"_s, u"Etiquetas"_s, u"-"_s,
                                           u"Marcar como spam"_s, u"Mover para a lixeira"_s}));
        QMenu* labels = action(menu, u"Etiquetas"_s)->menu();
        QCOMPARE(texts(*labels), (QStringList{u"Projetos"_s, u"Família"_s}));
        // Only the newest message counts: Projetos sits on the older one.
        QCOMPARE(look(action(*labels, u"Projetos"_s)->icon()), look(Icons::icon(Symbol::Label)));
        QCOMPARE(look(action(*labels, u"Família"_s)->icon()), look(Icons::icon(Symbol::Check)));

        action(*labels, u"Projetos"_s)->trigger();
        QTRY_VERIFY_LONG(google().labelIds(ana, newer.id).contains(projetos));
        action(*labels, u"Família"_s)->trigger();
        QTRY_VERIFY_LONG(!google().labelIds(ana, newer.id).contains(familia));
        action(menu, u"Marcar como lida"_s)->trigger();
        QTRY_VERIFY_LONG(!google().labelIds(ana, newer.id).contains(u"UNREAD"_s));
        QTRY_VERIFY_LONG(!unreadAt(pane, 2));
        ThreadActionsMenu read(*m_app, {pane.model()->thread(2)});
        QCOMPARE(read.actions().constFirst()->text(), u"Marcar como não lida"_s);

        // Rui has only Gmail's own labels.
        m_app->selectAccount(rui);
        ThreadActionsMenu bare(*m_app, {obras});
        const QList<QAction*> none = action(bare, u"Etiquetas"_s)->menu()->actions();
        QCOMPARE(valuesOf(none, &QAction::text), QStringList{u"Sem etiquetas tuas"_s});
        QVERIFY(!none.first()->isEnabled());

        // Both accounts in one list: each row marked with its account, the
        // address as its tip; one account's labels only for its own rows.
        google().deliverMessage(rui, mailFrom(u"Eva <e@x.pt>"_s, u"Bolos"_s, 1));
        awaitTask(AppRig::sessionOf(*m_app, rui)->syncNow());
        m_app->selectAccount(AppState::allAccountsId());
        QCOMPARE(pane.title(), u"Todas as contas"_s);
        QTRY_COMPARE(pane.model()->rowCount(), 4);
        const auto rowOf = [&](const QString& account) {
            for (int at = 0; at < pane.model()->rowCount(); ++at) {
                if (pane.model()->thread(at).accountId == account)
                    return pane.model()->index(at);
            }
            return QModelIndex();
        };
        const QModelIndex anas = rowOf(ana), ruis = rowOf(rui);
        QCOMPARE(ruis.data(Qt::ToolTipRole).toString(), rui);
        QCOMPARE(anas.data(Qt::ToolTipRole).toString(), ana);
        QVERIFY(anas.data(ThreadListModel::AccountColourRole).value<QColor>().isValid());
        QVERIFY(anas.data(ThreadListModel::AccountColourRole) !=
                ruis.data(ThreadListModel::AccountColourRole));
        ThreadActionsMenu own(*m_app, {pane.model()->thread(anas.row())});
        QCOMPARE(texts(*action(own, u"Etiquetas"_s)->menu()),
                 (QStringList{u"Projetos"_s, u"Família"_s}));
        ThreadActionsMenu mixed(
            *m_app, {pane.model()->thread(anas.row()), pane.model()->thread(ruis.row())});
        QCOMPARE(texts(*action(mixed, u"Etiquetas"_s)->menu()),
                 QStringList(u"Conversas de contas diferentes"_s));
        action(mixed, u"Marcar com estrela"_s)->trigger();
        QTRY_VERIFY_LONG(google()
                             .labelIds(rui, pane.model()->thread(ruis.row()).latest().id())
                             .contains(u"STARRED"_s));

        // Both archived from the list: they leave it account by account, and
        // the one left a moment alone is not opened.
        QListView* list = pane.listView();
        list->selectionModel()->select(anas, QItemSelectionModel::Select);
        list->selectionModel()->select(ruis, QItemSelectionModel::Select);
        QCOMPARE(m_app->selectedThreadIds().size(), 2);
        ThreadActionsMenu::archive(
            *m_app, {pane.model()->thread(anas.row()), pane.model()->thread(ruis.row())});
        QTRY_COMPARE(pane.model()->rowCount(), 2);
        QTest::qWait(50);
        for (const AccountSession* each : m_app->sessions())
            QVERIFY(each->openThreadId().isEmpty());
    }

    void emptyTextsAndSearch()
    {
        deliver(3);
        start();
        ThreadListPane pane(*m_app);
        show(pane, 400);
        const StatusNotice* notice = pane.emptyNotice();
        const auto emptyText = [&pane, notice]() -> QString {
            return notice->isVisibleTo(&pane) ? notice->textLabel()->text() : QString();
        };
        QPushButton* clear = nullptr;
        for (QPushButton* button : pane.findChildren<QPushButton*>())
            clear = button->text() == u"Limpar"_s ? button : clear;
        QVERIFY(clear);
        const auto clearShown = [&pane, clear] { return clear->isVisibleTo(&pane); };
        // Gmail's own labels by the names the sidebar gives them.
        QCOMPARE(pane.title(), u"Caixa de entrada"_s);
        QVERIFY(emptyText().isEmpty() && !clearShown());

        QSignalSpy titles(&pane, &ThreadListPane::titleChanged);
        m_app->selectLabel(u"STARRED"_s);
        QCOMPARE(emptyText(), u"Sem conversas aqui."_s);
        QCOMPARE(pane.title(), u"Com estrela"_s);
        m_app->selectLabel(inbox);

        QSignalSpy searched(m_app, &AppState::searchChanged);
        QTest::keyClicks(pane.searchField(), u"nada disto"_s);
        QCOMPARE(m_app->searchText(), u"nada disto"_s);
        QTest::keyClick(pane.searchField(), Qt::Key_Return);
        // Not "no results" before Gmail has answered.
        QCOMPARE(emptyText(), u"A pesquisar…"_s);
        QVERIFY(notice->isBusy());
        QTRY_COMPARE_LONG(searched.size(), 2);
        QVERIFY(m_app->isSearching());
        QCOMPARE(emptyText(), u"Sem resultados."_s);
        QVERIFY(!notice->isBusy() && !notice->retryButton()->isVisibleTo(&pane));
        QCOMPARE(pane.title(), u"Pesquisa"_s);
        QVERIFY(clearShown());

        // A search Gmail refuses says so, and is tried again from there.
        google().failNext(u"/gmail/v1/users/[^/]+/messages"_s, 400);
        pane.searchField()->clear();
        search(pane, u"Assunto 1"_s);
        QTRY_VERIFY_LONG(notice->retryButton()->isVisibleTo(&pane));
        QVERIFY2(m_app->searchError() && emptyText().contains(u"400"), qPrintable(emptyText()));
        QTest::mouseClick(notice->retryButton(), Qt::LeftButton);
        QTRY_COMPARE_LONG(pane.model()->rowCount(), 1);
        QCOMPARE(emptyText(), QString());

        QTest::mouseClick(clear, Qt::LeftButton);
        QVERIFY(!m_app->isSearching() && !clearShown());
        QVERIFY(m_app->searchText().isEmpty() && pane.searchField()->text().isEmpty());
        QCOMPARE(pane.model()->rowCount(), 3);
        QCOMPARE(pane.title(), u"Caixa de entrada"_s);

        // A blank search leaves search mode at once.
        search(pane, u"   "_s);
        QVERIFY(!m_app->isSearching() && !clearShown());
        QVERIFY(titles.size() >= 4);
    }

    void keyboard()
    {
        deliver(6);
        start();
        ThreadListPane pane(*m_app);
        show(pane, 500);
        QListView* list = pane.listView();
        // The keyboard lands on the first conversation.
        list->setFocus(Qt::TabFocusReason);
        QCOMPARE(m_app->selectedThreadId(), idAt(pane, 0));
        for (const auto& [key, row] : {std::pair{Qt::Key_J, 1}, std::pair{Qt::Key_J, 2},
                                       std::pair{Qt::Key_K, 1}, std::pair{Qt::Key_Down, 2}}) {
            QTest::keyClick(list, key);
            QCOMPARE(m_app->selectedThreadId(), idAt(pane, row));
        }
        QTRY_COMPARE_LONG(session().openThreadId(), idAt(pane, 2));
        QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_COMPARE_LONG(session().openThreadId(), idAt(pane, 1));

        // Row 1 holds "Assunto 1", read since it was opened.
        QTRY_VERIFY_LONG(!unreadAt(pane, 1) && !session().isSyncing());
        QTest::keyClick(list, Qt::Key_U, Qt::ShiftModifier);
        QTRY_VERIFY_LONG(labelsAtGoogle(u"Assunto 1"_s).contains(u"UNREAD"_s));
        QTRY_VERIFY_LONG(unreadAt(pane, 1));
        QTest::keyClick(list, Qt::Key_E);
        QTRY_VERIFY_LONG(!labelsAtGoogle(u"Assunto 1"_s).contains(inbox));
        QTRY_COMPARE_LONG(pane.model()->rowCount(), 5);

        list->setCurrentIndex(pane.model()->index(0));
        QTest::keyClick(list, '#');
        QTRY_VERIFY_LONG(labelsAtGoogle(u"Assunto 0"_s).contains(u"TRASH"_s));
        QTRY_COMPARE_LONG(pane.model()->rowCount(), 4);

        QTest::keyClick(list, Qt::Key_Slash);
        QVERIFY(pane.searchField()->hasFocus());
        list->setFocus();
        QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(pane.searchField()->hasFocus());
        // Typed into the field, the same letters are text, not actions.
        QTest::keyClicks(pane.searchField(), u"je#"_s);
        QCOMPARE(m_app->searchText(), u"je#"_s);
        QTRY_COMPARE_LONG(pane.model()->rowCount(), 4);

        // The state's selection shows in the list.
        m_app->selectThread(pane.model()->thread(2));
        QCOMPARE(list->currentIndex().row(), 2);
        QCOMPARE(list->selectionModel()->selectedRows().size(), 1);
    }

    /// Several conversations chosen by the keyboard act together; a row's
    /// star toggles on a click without touching the selection; the menu on
    /// the selection acts on all of it, and in the trash and the spam
    /// offers the way back to the inbox.
    void severalAtOnceAndTheStar()
    {
        deliver(4);
        start();
        ThreadListPane pane(*m_app);
        show(pane, 700);
        QListView* list = pane.listView();
        const auto starredAtGoogle = [this](int subject) {
            return labelsAtGoogle(u"Assunto %1"_s.arg(subject)).contains(u"STARRED"_s);
        };
        const auto popMenu = [&pane, list](int row) {
            Q_EMIT list->customContextMenuRequested(
                list->visualRect(pane.model()->index(row)).center());
            return qobject_cast<QMenu*>(QApplication::activePopupWidget());
        };
        list->setFocus(Qt::TabFocusReason);
        QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(m_app->selectedThreadIds(), (QStringList{idAt(pane, 0), idAt(pane, 1)}));
        QTest::keyClick(list, Qt::Key_S);
        QTRY_VERIFY_LONG(starredAtGoogle(0) && starredAtGoogle(1));
        QVERIFY(pane.model()->index(1).data(ThreadListModel::IsStarredRole).toBool());

        const QRect star = ThreadRowDelegate::starArea(list->visualRect(pane.model()->index(3)));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, star.center());
        QTRY_VERIFY_LONG(starredAtGoogle(3));
        QCOMPARE(list->selectionModel()->selectedRows().size(), 2);
        QCOMPARE(m_app->selectedThreadIds().size(), 2);

        QMenu* menu = popMenu(1);
        QVERIFY(menu);
        QCOMPARE(texts(*menu), (QStringList{u"Marcar como lida"_s, u"Arquivar"_s,
                                            u"Remover estrela"_s, u"Etiquetas"_s, u"-"_s,
                                            u"Marcar como spam"_s, u"Mover para a lixeira"_s}));
        action(*menu, u"Remover estrela"_s)->trigger();
        menu->close();
        QTRY_VERIFY_LONG(!starredAtGoogle(0) && !starredAtGoogle(1) && starredAtGoogle(3));

        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(m_app->selectedThreadIds().size(), 4);
        QTest::keyClick(list, Qt::Key_U, Qt::ShiftModifier);
        QTRY_VERIFY_LONG(!labelsAtGoogle(u"Assunto 2"_s).contains(u"UNREAD"_s));
        QTest::keyClick(list, Qt::Key_Delete);
        QTRY_COMPARE_LONG(pane.model()->rowCount(), 0);
        QTRY_COMPARE_LONG(m_app->waitingChanges(), 0);

        m_app->selectLabel(u"TRASH"_s);
        QTRY_COMPARE_LONG(pane.model()->rowCount(), 4);
        list->selectionModel()->select(
            QItemSelection(pane.model()->index(0), pane.model()->index(1)),
            QItemSelectionModel::ClearAndSelect);
        menu = popMenu(0);
        QVERIFY(menu);
        QCOMPARE(texts(*menu).mid(4), (QStringList{u"-"_s, u"Mover para a caixa de entrada"_s}));
        action(*menu, u"Mover para a caixa de entrada"_s)->trigger();
        menu->close();
        QTRY_COMPARE_LONG(pane.model()->rowCount(), 2);
        QTRY_VERIFY_LONG(labelsAtGoogle(u"Assunto 0"_s).contains(inbox) &&
                         labelsAtGoogle(u"Assunto 1"_s).contains(inbox));

        m_app->selectLabel(inbox);
        QTRY_COMPARE_LONG(pane.model()->rowCount(), 2);
        awaitTask(m_app->setSpam(QStringList(idAt(pane, 0)), true));
        m_app->selectLabel(u"SPAM"_s);
        QTRY_COMPARE_LONG(pane.model()->rowCount(), 1);
        menu = popMenu(0);
        QVERIFY(menu);
        QCOMPARE(texts(*menu).mid(4),
                 (QStringList{u"-"_s, u"Não é spam"_s, u"Mover para a caixa de entrada"_s,
                              u"Mover para a lixeira"_s}));
        action(*menu, u"Não é spam"_s)->trigger();
        menu->close();
        QTRY_COMPARE_LONG(pane.model()->rowCount(), 0);
    }

    /// Rows are kept as painted: what a row shows and its state still
    /// change its look at once.
    void keptRowsFollowWhatTheyShow()
    {
        deliver(3);
        start();
        ThreadListPane pane(*m_app);
        show(pane, 500);
        QListView* list = pane.listView();
        const auto look = [&pane, list](int row) {
            return list->viewport()->grab(list->visualRect(pane.model()->index(row))).toImage();
        };
        const QImage unread = look(0), neighbour = look(1);
        awaitTask(m_app->setRead({idAt(pane, 0)}, true));
        QTRY_VERIFY_LONG(look(0) != unread);
        QCOMPARE(look(1), neighbour);
        awaitTask(m_app->setRead({idAt(pane, 0)}, false));
        QTRY_COMPARE_LONG(look(0), unread);
        list->setCurrentIndex(pane.model()->index(1));
        QVERIFY(look(1) != neighbour);
    }

    /// The row under the last conversation while older ones load, when they
    /// failed to, and at the end of the list.
    void theFooterRowSaysWhereTheListStands()
    {
        constexpr int pageSize = SyncEngine::firstPageSize;
        m_rig->rig.deliverMany(ana, 2 * pageSize + 10, u"Conversa"_s);
        start();
        ThreadListPane pane(*m_app);
        show(pane, 500);
        QListView& list = *pane.listView();
        const ThreadListModel& model = *pane.model();
        StatusNotice& footer = *pane.footer();
        QTRY_COMPARE_LONG(model.rowCount(), pageSize);
        QVERIFY(footer.isHidden());

        // Reaching the end asks for more; the row says so while it waits.
        google().addFault(TestRig::delayed(u"GET"_s, u".*/messages"_s, 1000));
        QTRY_VERIFY_LONG(scrolledUntil(list, [&] { return !footer.isHidden(); }));
        QVERIFY(list.viewport()->rect().contains(footer.geometry())); // moved into sight
        QCOMPARE(footer.textLabel()->text(), u"A carregar mais conversas…"_s);
        QVERIFY(footer.isBusy() && footer.retryButton()->isHidden());
        QTRY_COMPARE_LONG(model.rowCount(), 2 * pageSize);
        QTRY_VERIFY_LONG(footer.isHidden());

        // A failure keeps the rows and offers to try again.
        google().failNext(u".*/messages"_s, 500, 10);
        QTRY_VERIFY_LONG(scrolledUntil(list, [&] { return m_app->loadMoreError().has_value(); }));
        QCOMPARE(footer.textLabel()->text(), ErrorText::forRequest(*m_app->loadMoreError()));
        QVERIFY(!footer.isHidden() && !footer.isBusy() && !footer.retryButton()->isHidden());
        QCOMPARE(model.rowCount(), 2 * pageSize);

        google().clearFaults();
        footer.retryButton()->click();
        QTRY_COMPARE_LONG(model.rowCount(), 2 * pageSize + 10);
        QTRY_COMPARE_LONG(footer.textLabel()->text(), u"Não há mais conversas."_s);
        QVERIFY(!footer.isHidden() && footer.retryButton()->isHidden());

        // It sits under the last row, reached by scrolling like one.
        QTRY_VERIFY_LONG(scrolledUntil(
            list, [&] { return footer.geometry().bottom() == list.viewport()->height() - 1; }));
        const QRect last = list.visualRect(model.index(model.rowCount() - 1));
        QCOMPARE(footer.geometry().top(), last.bottom() + 1);
    }
};

QTEST_MAIN(TestThreadList)
#include "tst_threadlist.moc"
