// Where an account's tokens are kept: the keychain against the real
// gnome-keyring of the private session, each case under services of its own,
// and the token vault over it against the Google stand-in, on the test's clock.

#include "AwaitTask.h"
#include "TestRig.h"
#include "auth/TokenVault.h"
#include "gmail/GmailError.h"
#include "platform/Keychain.h"

#include <QCoroTask>
#include <QTest>
#include <QUuid>

#include <libsecret/secret.h>
#include <vector>

using namespace Qt::StringLiterals;
using namespace vesk;
using namespace vesk::test;
using namespace vesk::fakegoogle;

namespace {

const QString s_email = u"ana@exemplo.pt"_s;
const QString s_name = u"Ana Sá"_s;

constexpr int s_callers = 10;

/// "token:<token>" or "error:<description>".
QString outcome(QCoro::Task<QString>&& task)
{
    try {
        return u"token:"_s + awaitTask(std::move(task));
    } catch (const DescribedError& error) {
        return u"error:"_s + error.description();
    }
}

QStringList concurrentOutcomes(TokenVault& vault)
{
    std::vector<QCoro::Task<QString>> waits;
    for (int i = 0; i < s_callers; ++i)
        waits.push_back(vault.validAccessToken());
    QStringList outcomes;
    for (auto& wait : waits)
        outcomes << outcome(std::move(wait));
    return outcomes;
}

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

class TokenVaultTest final : public QObject
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

        // Bytes that are not UTF-8 read as absent; the item can still be
        // replaced and deleted.
        QVERIFY(storeRawBytes(tokens, ana, QByteArray("\xff\xfe\xc3(", 4)));
        QVERIFY(!keychain.get(tokens, ana));
        QVERIFY(keychain.set(u"legível"_s, tokens, ana));
        QCOMPARE(keychain.get(tokens, ana), u"legível"_s);
        QVERIFY(keychain.remove(tokens, ana));
    }

    void tokenSetJson_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expiresAt"); // empty: does not decode
        const auto row = [](const char* name, const QByteArray& end, const char* expiresAt = "") {
            QTest::newRow(name) << R"({"accessToken":"a","refreshToken":"r",)" + end
                                << QString::fromLatin1(expiresAt);
        };
        row("reference instant", R"("scope":"s","expiresAt":0})", "2001-01-01T00:00:00.000Z");
        row("fraction", R"("scope":"s","expiresAt":794664000.25})", "2026-03-08T12:00:00.250Z");
        row("before the reference", R"("scope":"s","expiresAt":-978307200})",
            "1970-01-01T00:00:00.000Z");
        row("missing key", R"("expiresAt":0})");
        row("expiry as text", R"("scope":"s","expiresAt":"0"})");
        row("absurd expiry", R"("scope":"s","expiresAt":1e300})");
        row("truncated", R"("scope":"s")");
        QTest::newRow("array") << QByteArray("[]") << QString();
    }

    void tokenSetJson()
    {
        QFETCH(QByteArray, json);

        const std::optional<TokenSet> tokens = TokenSet::fromJson(json);
        QTEST(tokens ? tokens->expiresAt.toString(Qt::ISODateWithMs) : QString(), "expiresAt");
        if (tokens)
            QCOMPARE(TokenSet::fromJson(tokens->toJson()), tokens);
    }

    void concurrentCallersShareOneRefreshOrRefusal()
    {
        TestRig rig({{s_email, s_name}});
        const auto tokens = rig.vault(s_email);
        const TokenSet revoked{u"velho"_s, u"revogado"_s, rig.now().addSecs(-5), QString()};
        tokens->saveTokenSet(revoked);
        QStringList outcomes = concurrentOutcomes(*tokens);
        QCOMPARE(QSet<QString>(outcomes.begin(), outcomes.end()).size(), 1);
        // Google's invalid_grant, told as what it means.
        QVERIFY2(outcomes.constFirst().startsWith(
                     u"error:A Google deixou de aceitar a autorização desta conta"_s),
                 qPrintable(outcomes.constFirst()));
        QCOMPARE(rig.requestsEndingWith(u"/token"_s), 1);
        QCOMPARE(tokens->loadTokenSet(), revoked);
        // The failed refresh is over: the next caller asks Google again.
        QCOMPARE(outcome(tokens->validAccessToken()), outcomes.constFirst());
        QCOMPARE(rig.requestsEndingWith(u"/token"_s), 2);

        // A token with a minute left is stale; one with a second more is not.
        const TokenSet fresh = storeGrant(rig, *tokens, 61);
        QCOMPARE(awaitTask(tokens->validAccessToken()), fresh.accessToken);
        const TokenSet old = storeGrant(rig, *tokens, 60);
        outcomes = concurrentOutcomes(*tokens);
        QVERIFY2(QSet<QString>(outcomes.begin(), outcomes.end()).size() == 1,
                 qPrintable(outcomes.join(u'\n')));
        QVERIFY(outcomes.constFirst().startsWith(QLatin1String("token:")));
        QCOMPARE(rig.requestsEndingWith(u"/token"_s), 1);
        // Google sent no refresh token: the old one is kept beside the new access token.
        const std::optional<TokenSet> kept = tokens->loadTokenSet();
        QVERIFY(kept);
        QCOMPARE(u"token:"_s + kept->accessToken, outcomes.constFirst());
        QCOMPARE(kept->refreshToken, old.refreshToken);
        QCOMPARE(kept->expiresAt, rig.now().addSecs(3599));
        QVERIFY(!kept->scope.isEmpty());
        // Fresh now: served from the keychain without asking Google.
        QCOMPARE(u"token:"_s + awaitTask(tokens->validAccessToken()), outcomes.constFirst());
        QCOMPARE(rig.requestsEndingWith(u"/token"_s), 1);
    }

    void missingCorruptAndInvalidatedTokens()
    {
        TestRig rig({{s_email, s_name}});
        const auto tokens = rig.vault(s_email);
        // No tokens at all: the Gmail client's "not authorised".
        const QString unauthorized = u"error:"_s + GmailError::unauthorized().description();

        QCOMPARE(outcome(tokens->validAccessToken()), unauthorized);
        awaitTask(tokens->invalidateAccessToken());
        QVERIFY(!tokens->loadTokenSet());

        // A damaged item reads as no tokens, and is left as it was.
        const QString damaged = u"{\"accessToken\":"_s;
        QVERIFY(rig.keychain().set(damaged, TokenVault::tokenService(), s_email));
        QCOMPARE(outcome(tokens->validAccessToken()), unauthorized);
        QCOMPARE(rig.keychain().get(TokenVault::tokenService(), s_email), damaged);
        QCOMPARE(rig.requestsEndingWith(u"/token"_s), 0);

        // Invalidating a fresh token keeps both tokens but forces the next refresh.
        const TokenSet stored = storeGrant(rig, *tokens, 3000);
        awaitTask(tokens->invalidateAccessToken());
        QCOMPARE(tokens->loadTokenSet(),
                 (TokenSet{stored.accessToken, stored.refreshToken,
                           QDateTime::fromMSecsSinceEpoch(0, Qt::UTC), stored.scope}));
        QVERIFY(awaitTask(tokens->validAccessToken()) != stored.accessToken);
        QCOMPARE(rig.requestsEndingWith(u"/token"_s), 1);

        tokens->deleteTokens();
        QVERIFY(!tokens->loadTokenSet());

        // The account is removed while its refresh is on the way to Google:
        // the refresh does not bring its tokens back.
        storeGrant(rig, *tokens, 0);
        auto wait = tokens->validAccessToken();
        tokens->deleteTokens();
        QVERIFY(outcome(std::move(wait)).startsWith(QLatin1String("token:")));
        QVERIFY(!tokens->loadTokenSet());
    }

    void validTokenIsServedFromMemory()
    {
        TestRig rig({{s_email, s_name}});
        const auto tokens = rig.vault(s_email);
        const TokenSet stored = storeGrant(rig, *tokens, 3000);
        // A second vault of the same account, as a session built at the next
        // start has: it must read the keychain once, then keep the token.
        const auto later = rig.vault(s_email);
        const int readsBefore = rig.keychain().reads();
        for (int call = 0; call < 25; ++call) {
            QCOMPARE(awaitTask(tokens->validAccessToken()), stored.accessToken);
            QCOMPARE(awaitTask(later->validAccessToken()), stored.accessToken);
        }
        QCOMPARE(rig.keychain().reads() - readsBefore, 1);

        // Once the kept token is stale, the keychain is read again first: a newer
        // set stored meanwhile (by the first vault) is used without a refresh.
        const TokenSet newer{u"mais-novo"_s, stored.refreshToken, rig.now().addSecs(7200),
                             stored.scope};
        tokens->saveTokenSet(newer);
        rig.setNow(rig.now().addSecs(3000));
        QCOMPARE(awaitTask(later->validAccessToken()), newer.accessToken);
        QCOMPARE(rig.requestsEndingWith(u"/token"_s), 0);

        // A 401 makes the kept token worthless: the next call refreshes.
        awaitTask(later->invalidateAccessToken());
        QVERIFY(awaitTask(later->validAccessToken()) != newer.accessToken);
        QCOMPARE(rig.requestsEndingWith(u"/token"_s), 1);
    }

private:
    /// Tokens as the stand-in issued them, stored as expiring `secondsLeft` from now.
    TokenSet storeGrant(TestRig& rig, TokenVault& vault, qint64 secondsLeft)
    {
        const TokenGrant grant = rig.google().issueTokens(s_email, TestRig::clientId());
        const TokenSet tokens{grant.accessToken, grant.refreshToken, rig.now().addSecs(secondsLeft),
                              grant.scope};
        vault.saveTokenSet(tokens);
        rig.google().clearRequests();
        return tokens;
    }
};

QTEST_GUILESS_MAIN(TokenVaultTest)
#include "tst_tokenvault.moc"
