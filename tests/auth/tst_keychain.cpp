// The keychain against a real gnome-keyring in the private session that the
// test runner starts. Every case uses services of its own, so the cases
// neither see each other's items nor depend on their order.

#include "platform/Keychain.h"

#include <QTest>
#include <QUuid>

#include <libsecret/secret.h>

using namespace vesk;

namespace {

QString freshService(const char* purpose)
{
    return QStringLiteral("app.orvendo.vesk.test.%1.%2")
        .arg(QLatin1String(purpose), QUuid::createUuid().toString(QUuid::WithoutBraces));
}

// Writes raw bytes under the keychain's own schema, as another program or a
// damaged store could have left them.
bool storeRawBytes(const QString& service, const QString& account, const QByteArray& bytes)
{
    SecretSchema schema{};
    schema.name = "app.orvendo.vesk.Secret";
    schema.flags = SECRET_SCHEMA_NONE;
    schema.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
    schema.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
    SecretValue* value = secret_value_new(bytes.constData(), bytes.size(), "text/plain");
    GError* error = nullptr;
    const gboolean ok = secret_password_store_binary_sync(
        &schema, SECRET_COLLECTION_DEFAULT, "raw", value, nullptr, &error, "service",
        service.toUtf8().constData(), "account", account.toUtf8().constData(),
        static_cast<char*>(nullptr));
    secret_value_unref(value);
    if (error)
        g_error_free(error);
    return ok;
}

} // namespace

class KeychainTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writeReplacesReadsBackAndDeletesItsOwnItem()
    {
        Keychain keychain;
        const QString oauth = freshService("oauth");
        const QString tokens = freshService("tokens");
        const QString ana = QStringLiteral("ana@exemplo.pt");
        const QString rui = QStringLiteral("rui@exemplo.pt");

        QVERIFY(!keychain.get(tokens, ana));
        QVERIFY(keychain.remove(tokens, ana)); // nothing there: done all the same
        QVERIFY(keychain.set(QStringLiteral("primeiro"), tokens, ana));
        // Accents and an emoji survive the trip through the store as UTF-8.
        const QString second = QStringLiteral("segundo, çã é 🙂");
        QVERIFY(keychain.set(second, tokens, ana));
        QVERIFY(keychain.set(QStringLiteral("segredo"), oauth, ana));
        QVERIFY(keychain.set(QStringLiteral("fichas do Rui"), tokens, rui));
        QCOMPARE(keychain.get(tokens, ana), second);
        QCOMPARE(keychain.get(oauth, ana), QStringLiteral("segredo"));
        QCOMPARE(keychain.get(tokens, rui), QStringLiteral("fichas do Rui"));
        QVERIFY(!keychain.get(oauth, rui));

        // Services and accounts are kept apart.
        QVERIFY(keychain.remove(tokens, ana));
        QVERIFY(!keychain.get(tokens, ana));
        QCOMPARE(keychain.get(oauth, ana), QStringLiteral("segredo"));
        QCOMPARE(keychain.get(tokens, rui), QStringLiteral("fichas do Rui"));
        QVERIFY(keychain.remove(oauth, ana));
        QVERIFY(keychain.remove(tokens, rui));
    }

    void nonUtf8ItemReadsAsAbsent()
    {
        Keychain keychain;
        const QString service = freshService("bytes");
        const QString account = QStringLiteral("ana@exemplo.pt");

        QVERIFY(storeRawBytes(service, account, QByteArray("\xff\xfe\xc3(", 4)));
        QVERIFY(!keychain.get(service, account));
        // The unreadable item can still be replaced and deleted.
        QVERIFY(keychain.set(QStringLiteral("legível"), service, account));
        QCOMPARE(keychain.get(service, account), QStringLiteral("legível"));
        QVERIFY(keychain.remove(service, account));
    }
};

QTEST_GUILESS_MAIN(KeychainTest)
#include "tst_keychain.moc"
