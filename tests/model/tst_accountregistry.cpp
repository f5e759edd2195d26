#include "model/AccountRegistry.h"
#include "platform/QSettingsStore.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vesk;

namespace {

AccountIdentity identity(const char* email, const char* name = "")
{
    return AccountIdentity{QString::fromUtf8(email), QString::fromUtf8(name)};
}

} // namespace

class TestAccountRegistry : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_ini;

    QVariant storedValue() const
    {
        return QSettings(m_ini, QSettings::IniFormat).value(AccountRegistry::defaultKey());
    }

    void store(const QVariant& value)
    {
        QSettings settings(m_ini, QSettings::IniFormat);
        settings.setValue(AccountRegistry::defaultKey(), value);
    }

    std::unique_ptr<AccountRegistry> loaded()
    {
        auto registry = std::make_unique<AccountRegistry>(std::make_shared<QSettingsStore>(m_ini));
        registry->load();
        return registry;
    }

private slots:
    void init()
    {
        m_ini = m_dir.filePath(u"%1.ini"_s.arg(QLatin1String(QTest::currentTestFunction())));
    }
    void cleanup() { QFile::remove(m_ini); }

    void firstLinkStoresOneEnabledEntryAsBytes()
    {
        const auto registry = loaded();
        QVERIFY(registry->entries().isEmpty());
        QVERIFY(registry->notificationsEnabled(u"ninguem@x.pt"_s));

        registry->upsert(identity("ana@gmail.com", "Ana Sá"));
        QCOMPARE(storedValue().typeId(), QMetaType::QByteArray);
        const QList<AccountRegistry::Entry> expected{{identity("ana@gmail.com", "Ana Sá"), true}};
        QCOMPARE(registry->entries(), expected);
        QCOMPARE(loaded()->entries(), expected);
    }

    void unreadableValueIsDroppedButLeftInPlace_data()
    {
        QTest::addColumn<QVariant>("value");
        const QByteArray valid =
            R"([{"identity":{"email":"a@x.pt","name":""},"notificationsEnabled":true}])";
        const auto with = [&](const char* from, const char* to) {
            return QVariant(QByteArray(valid).replace(from, to));
        };
        QTest::newRow("not json") << QVariant(QByteArray("[{"));
        QTest::newRow("object, not array") << QVariant(QByteArray("{}"));
        QTest::newRow("entry without switch") << with(R"(,"notificationsEnabled":true)", "");
        QTest::newRow("switch as number") << with("true", "1");
        QTest::newRow("identity without name") << with(R"(,"name":"")", "");
        QTest::newRow("text instead of bytes") << QVariant(QString::fromUtf8(valid));
    }

    void unreadableValueIsDroppedButLeftInPlace()
    {
        QFETCH(QVariant, value);
        store(value);
        const auto registry = loaded();
        QVERIFY(registry->entries().isEmpty());
        QCOMPARE(storedValue(), value);

        registry->upsert(identity("b@x.pt"));
        QCOMPARE(loaded()->entries().size(), 1);
    }

    void relinkKeepsPositionAndSwitch()
    {
        const auto registry = loaded();
        QSignalSpy changed(registry.get(), &AccountRegistry::entriesChanged);
        registry->upsert(identity("a@x.pt", "A"));
        registry->upsert(identity("b@x.pt", "B"));
        registry->setNotificationsEnabled(u"a@x.pt"_s, false);
        registry->upsert(identity("a@x.pt", "A novo"));
        QCOMPARE(changed.size(), 4);
        // Writing what is there already changes nothing, so announces nothing.
        registry->upsert(identity("a@x.pt", "A novo"));
        registry->setNotificationsEnabled(u"a@x.pt"_s, false);
        registry->setNotificationsEnabled(u"b@x.pt"_s, true);
        registry->load();
        QCOMPARE(changed.size(), 4);

        const QList<AccountRegistry::Entry> expected{{identity("a@x.pt", "A novo"), false},
                                                     {identity("b@x.pt", "B"), true}};
        QCOMPARE(registry->entries(), expected);
        QCOMPARE(loaded()->entries(), expected);
        QVERIFY(!registry->notificationsEnabled(u"a@x.pt"_s));
        // Exact comparison: another letter case is another account.
        QVERIFY(registry->notificationsEnabled(u"A@x.pt"_s));
    }

    void duplicatesAndUnknownEmails()
    {
        // Written by hand with an extra key, so that any save would change the bytes.
        const QByteArray handWritten =
            R"([{"notificationsEnabled":true,"identity":{"name":"1","email":"d@x.pt"},"x":0},)"
            R"({"identity":{"email":"d@x.pt","name":"2"},"notificationsEnabled":true},)"
            R"({"identity":{"email":"e@x.pt","name":""},"notificationsEnabled":false}])";
        store(handWritten);
        const auto registry = loaded();
        QCOMPARE(registry->entries().size(), 3);

        // Neither an unknown address nor a switch already in place is written.
        QSignalSpy changed(registry.get(), &AccountRegistry::entriesChanged);
        registry->setNotificationsEnabled(u"nobody@x.pt"_s, false);
        registry->setNotificationsEnabled(u"e@x.pt"_s, false);
        registry->upsert(identity("d@x.pt", "1"));
        registry->remove(u"nobody@x.pt"_s);
        QCOMPARE(storedValue().toByteArray(), handWritten);
        QVERIFY(changed.isEmpty());

        registry->setNotificationsEnabled(u"d@x.pt"_s, false);
        registry->upsert(identity("d@x.pt", "novo"));
        QCOMPARE(registry->entries()[0],
                 (AccountRegistry::Entry{identity("d@x.pt", "novo"), false}));
        QCOMPARE(registry->entries()[1], (AccountRegistry::Entry{identity("d@x.pt", "2"), true}));

        registry->remove(u"d@x.pt"_s);
        QCOMPARE(registry->entries(), (QList<AccountRegistry::Entry>{{identity("e@x.pt"), false}}));
        registry->remove(u"e@x.pt"_s);
        QCOMPARE(storedValue().toByteArray(), QByteArray("[]"));
        QCOMPARE(changed.size(), 4);

        // A value changed behind the registry's back is announced when read.
        store(handWritten);
        registry->load();
        QCOMPARE(registry->entries().size(), 3);
        QCOMPARE(changed.size(), 5);
    }
};

QTEST_GUILESS_MAIN(TestAccountRegistry)
#include "tst_accountregistry.moc"
