#include "UiRig.h"
#include "sync/SyncEngine.h"
#include "ui/style/Brand.h"
#include "ui/threadlist/ThreadListModel.h"
#include "ui/threadlist/ThreadListPane.h"
#include "ui/widgets/ErrorText.h"
#include "ui/widgets/StatusNotice.h"
#include "ui/widgets/TextButton.h"

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QScrollBar>

using namespace Qt::StringLiterals;
using namespace vesk;
using namespace vesk::test;

namespace {

constexpr int pageSize = SyncEngine::firstPageSize;

/// Scrolls to the end, which moves while the view lays new rows out, and
/// says whether `reached` holds yet: for QTRY, which asks again.
template <typename Condition>
bool scrolledUntil(QListView& list, Condition reached)
{
    list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum());
    return reached();
}

} // namespace

/// The row under the last conversation, as the person sees it while older
/// conversations load, when they failed to, and at the end of the list.
class TestThreadListFooter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Brand::apply(*qApp); }

    void theFooterRowSaysWhereTheListStands()
    {
        UiRig rig;
        rig.rig.deliverMany(ana, 2 * pageSize + 10, u"Conversa"_s);
        AppState& app = rig.start();
        ThreadListPane pane(app);
        pane.resize(360, 500);
        pane.show();
        QListView& list = *pane.listView();
        const ThreadListModel& model = *pane.model();
        StatusNotice& footer = *pane.footer();
        QTRY_COMPARE_LONG(model.rowCount(), pageSize);
        QVERIFY(footer.isHidden());

        // Reaching the end asks for more; the row says so while it waits.
        rig.google().addFault(TestRig::delayed(u"GET"_s, u".*/messages"_s, 1000));
        QTRY_VERIFY_LONG(scrolledUntil(list, [&] { return !footer.isHidden(); }));
        QVERIFY(list.viewport()->rect().contains(footer.geometry())); // moved into sight
        QCOMPARE(footer.textLabel()->text(), u"A carregar mais conversas…"_s);
        QVERIFY(footer.isBusy() && footer.retryButton()->isHidden());
        QTRY_COMPARE_LONG(model.rowCount(), 2 * pageSize);
        QTRY_VERIFY_LONG(footer.isHidden());

        // A failure keeps the rows and offers to try again.
        rig.google().failNext(u".*/messages"_s, 500, 10);
        QTRY_VERIFY_LONG(scrolledUntil(list, [&] { return app.loadMoreError().has_value(); }));
        QCOMPARE(footer.textLabel()->text(), ErrorText::forRequest(*app.loadMoreError()));
        QVERIFY(!footer.isHidden() && !footer.isBusy() && !footer.retryButton()->isHidden());
        QCOMPARE(model.rowCount(), 2 * pageSize);

        rig.google().clearFaults();
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

QTEST_MAIN(TestThreadListFooter)
#include "tst_threadlistfooter.moc"
