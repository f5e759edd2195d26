// The keychain against a real gnome-keyring in the private session that the
// test runner starts. Every case uses services of its own, so the cases
// neither see each other's items nor depend on their order.

#include "platform/Keychain.h"

#include <QTest>
#include <QUuid>

#include <libsecret/secret.h>

using namespace Qt::StringLiterals;

using namespace vesk;

namespace {

QString freshService(const char* purpose)
{
    return u"app.orvendo.vesk.test.%1.%2"_s.arg(QLatin1String(purpose),
                                                QUuid::createUuid().toString(QUuid::WithoutBraces));
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
        const QString ana = u"ana@exemplo.pt"_s;
        const QString rui = u"rui@exemplo.pt"_s;

        QVERIFY(!keychain.get(tokens, ana));
        QVERIFY(keychain.remove(tokens, ana)); // nothing there: done all the same
        QVERIFY(keychain.set(u"primeiro"_s, tokens, ana));
        // Accents and an emoji survive the trip through the store as UTF-8.
        const QString second = u"segundo, çã é 🙂"_s;
        QVERIFY(keychain.set(second, tokens, ana));
        QVERIFY(keychain.set(u"segredo"_s, oauth, ana));
        QVERIFY(keychain.set(u"fichas do Rui"_s, tokens, rui));
        QCOMPARE(keychain.get(tokens, ana), second);
        QCOMPARE(keychain.get(oauth, ana), u"segredo"_s);
        QCOMPARE(keychain.get(tokens, rui), u"fichas do Rui"_s);
        QVERIFY(!keychain.get(oauth, rui));

        // Services and accounts are kept apart.
        QVERIFY(keychain.remove(tokens, ana));
        QVERIFY(!keychain.get(tokens, ana));
        QCOMPARE(keychain.get(oauth, ana), u"segredo"_s);
        QCOMPARE(keychain.get(tokens, rui), u"fichas do Rui"_s);
        QVERIFY(keychain.remove(oauth, ana));
        QVERIFY(keychain.remove(tokens, rui));
    }

    void nonUtf8ItemReadsAsAbsent()
    {
        Keychain keychain;
        const QString service = freshService("bytes");
        const QString account = u"ana@exemplo.pt"_s;

        QVERIFY(storeRawBytes(service, account, QByteArray("\xff\xfe\xc3(", 4)));
        QVERIFY(!keychain.get(service, account));
        // The unreadable item can still be replaced and deleted.
        QVERIFY(keychain.set(u"legível"_s, service, account));
        QCOMPARE(keychain.get(service, account), u"legível"_s);
        QVERIFY(keychain.remove(service, account));
    }
};

QTEST_GUILESS_MAIN(KeychainTest)
#include "tst_keychain.moc"
