// Actions on several conversations at once, the star and the spam, and
// taking a change back, through the application state alone against the
// Google stand-in.

#include "AppRig.h"
#include "app/UndoOffer.h"

#include <QSignalSpy>

using namespace vesk;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using namespace vesk::test;

namespace {

const QString ana = u"ana@exemplo.pt"_s;
const QString inbox = u"INBOX"_s;

} // namespace

class TestBulkActions : public QObject
{
    Q_OBJECT

    std::unique_ptr<AppRig> m_rig;
    AppState* m_app = nullptr;
    QList<fakegoogle::MessageRef> m_mail;

    QStringList threadIds(std::initializer_list<int> which) const
    {
        QStringList ids;
        for (const int i : which)
            ids.append(m_mail.at(i).threadId);
        return ids;
    }
    bool atGmail(int i, const QString& label) const
    {
        return m_rig->google().labelIds(ana, m_mail.at(i).id).contains(label);
    }
    int shown() const { return int(m_app->visibleThreads().size()); }
    int requests(const QString& pathEnd) const { return m_rig->rig.requestsEndingWith(pathEnd); }

private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<AppRig>(QList{AccountIdentity{ana, u"Ana"_s}});
        m_mail.clear();
        for (const QString& subject : {u"Fatura"_s, u"Convite"_s, u"Reunião"_s, u"Promoção"_s})
            m_mail.append(m_rig->google().deliverMessage(ana, TestRig::mail(QString(), subject)));
        m_rig->linkDirectly(ana);
        m_app = &m_rig->start();
        QCOMPARE(shown(), 4);
    }

    void cleanup() { m_rig.reset(); }

    void severalGoInOneCallAndComeBackOnUndo()
    {
        awaitTask(m_app->archive(threadIds({0, 1, 2})));
        QCOMPARE(shown(), 1);
        QCOMPARE(m_app->undoOffer().text(), u"3 conversas arquivadas."_s);
        QCOMPARE(requests(u"/messages/batchModify"_s), 1);
        QCOMPARE(requests(u"/modify"_s), 0);
        QVERIFY(!atGmail(0, inbox) && !atGmail(1, inbox) && !atGmail(2, inbox));

        // After it reached Gmail, undoing changes Gmail back.
        awaitTask(m_app->undo());
        QCOMPARE(shown(), 4);
        QVERIFY(m_app->undoOffer().text().isEmpty());
        QTRY_VERIFY(atGmail(0, inbox) && atGmail(1, inbox) && atGmail(2, inbox));
        QCOMPARE(m_app->waitingChanges(), 0);

        // The star, the spam and the way back, each offered for undoing.
        awaitTask(m_app->setStarred(threadIds({3}), true));
        QVERIFY(atGmail(3, u"STARRED"_s));
        QCOMPARE(m_app->undoOffer().text(), u"Marcada com estrela."_s);
        awaitTask(m_app->setSpam(threadIds({2, 3}), true));
        QVERIFY(atGmail(3, u"SPAM"_s) && !atGmail(3, inbox) && atGmail(2, u"SPAM"_s));
        QCOMPARE(shown(), 2);
        m_app->selectLabel(u"SPAM"_s);
        QTRY_COMPARE(shown(), 2);
        awaitTask(m_app->moveToInbox(threadIds({2})));
        QVERIFY(!atGmail(2, u"SPAM"_s) && atGmail(2, inbox));
        QCOMPARE(m_app->undoOffer().text(), u"Movida para a caixa de entrada."_s);

        // Trashed and taken out of the trash: back in the inbox, both.
        m_app->selectLabel(inbox);
        awaitTask(m_app->trash(threadIds({0, 1})));
        QVERIFY(atGmail(0, u"TRASH"_s) && !atGmail(1, inbox));
        awaitTask(m_app->moveToInbox(threadIds({0, 1})));
        QVERIFY(!atGmail(0, u"TRASH"_s) && atGmail(0, inbox) && atGmail(1, inbox));
        QCOMPARE(m_app->waitingChanges(), 0);

        // A change that changes nothing is neither kept nor offered.
        m_app->undoOffer().withdraw();
        awaitTask(m_app->setStarred(threadIds({0}), false));
        QVERIFY(m_app->undoOffer().text().isEmpty());
    }

    void undoBeforeGmailHearsSendsNothing()
    {
        const quint16 port = m_rig->google().port();
        m_rig->google().stop();
        awaitTask(m_app->trash(threadIds({0, 1})));
        QCOMPARE(shown(), 2);
        QCOMPARE(m_app->undoOffer().text(), u"2 conversas movidas para a lixeira."_s);
        awaitTask(m_app->undo());
        QCOMPARE(shown(), 4);
        QCOMPARE(m_app->waitingChanges(), 0);

        // The next change is offered in its turn, and only for a while.
        m_app->undoOffer().setLasting(50ms);
        awaitTask(m_app->setRead(threadIds({2}), true));
        QCOMPARE(m_app->undoOffer().text(), u"Marcada como lida."_s);
        QSignalSpy withdrawn(&m_app->undoOffer(), &UndoOffer::changed);
        QVERIFY(withdrawn.wait(5000));
        QVERIFY(m_app->undoOffer().text().isEmpty());

        QVERIFY(m_rig->google().start(port));
        awaitTask(m_app->refresh());
        QTRY_COMPARE_WITH_TIMEOUT(m_app->waitingChanges(), 0, 30000);
        QVERIFY(!atGmail(0, u"TRASH"_s) && !atGmail(1, u"TRASH"_s));
        QCOMPARE(requests(u"/trash"_s), 0);
        QVERIFY(!atGmail(2, u"UNREAD"_s));
    }
};

QTEST_GUILESS_MAIN(TestBulkActions)
#include "tst_bulkactions.moc"
