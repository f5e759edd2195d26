#include "SimpleMessage.h"
#include "UiRig.h"
#include "compose/AddressBook.h"
#include "compose/ComposerSession.h"
#include "sync/AccountSession.h"
#include "ui/composer/AddressChip.h"
#include "ui/composer/AddressField.h"
#include "ui/composer/CompletionPopup.h"
#include "ui/composer/ComposerView.h"
#include "ui/composer/ComposerWindow.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTest>

using namespace vesk;
using namespace vesk::test;
using namespace Qt::StringLiterals;

/// A whole window driven by real keys only, from the new message to what
/// Google receives.
class TestWritingByKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void completeAnAddressAndSend()
    {
        UiRig rig;
        fakegoogle::SimpleMessage sent;
        sent.from = u"Ana <ana@exemplo.pt>"_s;
        sent.to = u"Rui Costa <rui@exemplo.pt>"_s;
        sent.subject = u"Viagem"_s;
        sent.text = u"Até breve"_s;
        rig.google().addMessage(ana, sent.toRfc822(), {u"SENT"_s});
        fakegoogle::SimpleMessage received = sent;
        received.from = u"Rute Lima <rute@x.pt>"_s;
        received.to = ana;
        rig.google().deliverMessage(ana, received.toRfc822());
        AppState& state = rig.start();
        awaitTask(AppRig::sessionOf(state, ana)->ensureLabelLoaded(u"SENT"_s));
        MainWindow window(state, MainWindow::Columns{new QWidget, new QWidget, new QWidget}, {},
                          rig.rig.settings());
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QTest::keyClick(&window, Qt::Key_N, Qt::ControlModifier);
        QTRY_VERIFY(window.composerWindow() && window.composerWindow()->isActiveWindow());
        ComposerView* view = window.composerWindow()->view();
        QTRY_VERIFY_LONG(state.composer() && state.composer()->addressBook());

        // Whom Ana wrote to comes before whom she heard from.
        QTest::keyClicks(QApplication::focusWidget(), u"ru"_s);
        QVERIFY(view->toField()->popup() && view->toField()->popup()->isVisible());
        QCOMPARE(view->toField()->popup()->contacts().size(), 2);
        QCOMPARE(view->toField()->popup()->contacts().first().address, u"rui@exemplo.pt"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(view->toField()->chips().size(), 1);
        QCOMPARE(view->toField()->chips().first()->toolTip(), u"Rute Lima <rute@x.pt>"_s);
        // Whom the message goes to already is not offered again.
        QTest::keyClicks(QApplication::focusWidget(), u"ru"_s);
        QCOMPARE(view->toField()->popup()->contacts().size(), 1);
        QCOMPARE(view->toField()->popup()->contacts().first().address, u"rui@exemplo.pt"_s);
        for (int typed = 0; typed < 2; ++typed)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);

        for (int field = 0; field < 2; ++field)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), view->subjectField());
        QTest::keyClicks(QApplication::focusWidget(), u"Jantar"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClicks(QApplication::focusWidget(), u"Sexta as oito?"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
        QTRY_VERIFY_LONG(!window.composerWindow());

        const QStringList ids = rig.google().messageIds(ana);
        QVERIFY(rig.google().labelIds(ana, ids.first()).contains(u"SENT"_s));
        const QByteArray raw = rig.google().rawMessage(ana, ids.first());
        const qsizetype split = raw.indexOf("\r\n\r\n");
        QVERIFY(split > 0);
        QList<QByteArray> headers;
        for (const QByteArray& line : raw.left(split).split('\n')) {
            const QByteArray name = line.left(line.indexOf(':'));
            if (QList<QByteArray>{"From", "To", "Cc", "Bcc", "Subject"}.contains(name))
                headers.append(line.trimmed());
        }
        QCOMPARE(headers, (QList<QByteArray>{"From: ana@exemplo.pt", "To: Rute Lima <rute@x.pt>",
                                             "Subject: Jantar"}));
        QVERIFY(raw.left(split).contains("Content-Transfer-Encoding: base64"));
        QCOMPARE(QByteArray::fromBase64(raw.mid(split + 4).trimmed()), "Sexta as oito?");
    }
};

QTEST_MAIN(TestWritingByKeyboard)
#include "tst_writingbykeyboard.moc"
