// What the window shows with Google out of reach: the quiet line with the
// number of waiting changes, the outbox row in the sidebar with its count,
// and the bar of refused changes, dismissed by the keyboard.

#include "AppRig.h"
#include "AwaitTask.h"
#include "app/AppState.h"
#include "app/NoticeBoard.h"
#include "compose/ComposerSession.h"
#include "ui/sidebar/LabelListModel.h"
#include "ui/widgets/TextButton.h"
#include "ui/window/MainWindow.h"
#include "ui/window/NoticeBar.h"
#include "ui/window/OfflineLine.h"

#include <QLabel>
#include <QTest>

using namespace vesk;
using vesk::test::AppRig;
using vesk::test::awaitTask;
using namespace Qt::StringLiterals;

namespace {

const QString ana = u"ana@exemplo.pt"_s;

int rowOf(const LabelListModel& labels, const QString& id)
{
    for (int row = 0; row < labels.rowCount(); ++row) {
        if (labels.index(row).data(LabelListModel::IdRole).toString() == id)
            return row;
    }
    return -1;
}

} // namespace

class TestOfflineFoot : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void footAndOutboxFollowTheConnection()
    {
        AppRig rig(QList{AccountIdentity{ana, u"Ana"_s}});
        rig.configureClient();
        const auto invite =
            rig.google().deliverMessage(ana, vesk::test::TestRig::mail(QString(), u"Convite"_s));
        rig.linkDirectly(ana);
        const AppServices services = rig.services();
        AppState state(services);
        awaitTask(state.startAll());
        MainWindow window(state, {new QWidget, new QWidget, new QWidget}, {}, nullptr);
        LabelListModel labels(state);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!window.offlineLine()->isVisible() && !window.noticeBar()->isVisible());
        QCOMPARE(rowOf(labels, AppState::outboxId()), -1);

        const quint16 port = rig.google().port();
        rig.google().stop();
        awaitTask(state.archive(invite.threadId));
        state.startNewMessage();
        state.composer()->setTo(u"rui@exemplo.pt"_s);
        state.composer()->setSubject(u"Notas"_s);
        QVERIFY(awaitTask(state.composer()->send()));
        state.closeComposer();
        QTRY_VERIFY(window.offlineLine()->isVisible());
        QVERIFY2(window.offlineLine()->text().startsWith(u"Sem ligação — as alterações são "
                                                         "enviadas quando a ligação voltar."_s),
                 qPrintable(window.offlineLine()->text()));
        QVERIFY2(window.offlineLine()->text().endsWith(u"2 alterações à espera"_s),
                 qPrintable(window.offlineLine()->text()));
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
        state.closeComposer();
        state.selectLabel(u"INBOX"_s);

        QVERIFY(rig.google().start(port));
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
};

QTEST_MAIN(TestOfflineFoot)
#include "tst_offlinefoot.moc"
