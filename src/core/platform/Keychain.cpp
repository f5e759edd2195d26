#include "Keychain.h"

#include <QStringDecoder>

#include <libsecret/secret.h>
#include <memory>

namespace vesk {

namespace {

// Items carry exactly these two attributes; the schema name keeps our items
// apart from another program's items that happen to use the same names.
const SecretSchema* schema()
{
    static const SecretSchema s_schema = [] {
        SecretSchema built{};
        built.name = "app.orvendo.vesk.Secret";
        built.flags = SECRET_SCHEMA_NONE;
        built.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        built.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return built;
    }();
    return &s_schema;
}

struct HashTableUnref
{
    void operator()(GHashTable* table) const { g_hash_table_unref(table); }
};
using Attributes = std::unique_ptr<GHashTable, HashTableUnref>;

struct ErrorFree
{
    void operator()(GError* error) const { g_error_free(error); }
};
using ErrorHolder = std::unique_ptr<GError, ErrorFree>;

struct ValueUnref
{
    void operator()(SecretValue* value) const { secret_value_unref(value); }
};
using ValueHolder = std::unique_ptr<SecretValue, ValueUnref>;

Attributes attributes(const QString& service, const QString& account)
{
    Attributes table(g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free));
    g_hash_table_insert(table.get(), g_strdup("service"), g_strdup(service.toUtf8().constData()));
    g_hash_table_insert(table.get(), g_strdup("account"), g_strdup(account.toUtf8().constData()));
    return table;
}

std::optional<QString> decodeUtf8(const char* bytes, gsize length)
{
    // Keep an initial byte-order mark as text: the secret is returned as stored.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder(QByteArrayView(bytes, qsizetype(length)));
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

bool Keychain::set(const QString& value, const QString& service, const QString& account)
{
    const std::lock_guard lock(m_mutex);
    const QByteArray label = QStringLiteral("VESK: %1 (%2)").arg(service, account).toUtf8();
    const QByteArray secret = value.toUtf8();
    // Storing with the same attributes replaces the existing item in place, so
    // a write that fails never takes the earlier secret with it.
    ValueHolder stored(secret_value_new(secret.constData(), secret.size(), "text/plain"));
    GError* rawError = nullptr;
    const Attributes match = attributes(service, account);
    const gboolean ok =
        secret_password_storev_binary_sync(schema(), match.get(), SECRET_COLLECTION_DEFAULT,
                                           label.constData(), stored.get(), nullptr, &rawError);
    const ErrorHolder error(rawError);
    return ok && !error;
}

std::optional<QString> Keychain::get(const QString& service, const QString& account) const
{
    const std::lock_guard lock(m_mutex);
    GError* rawError = nullptr;
    const Attributes match = attributes(service, account);
    const ValueHolder value(
        secret_password_lookupv_binary_sync(schema(), match.get(), nullptr, &rawError));
    const ErrorHolder error(rawError);
    if (error || !value)
        return std::nullopt;
    gsize length = 0;
    const gchar* bytes = secret_value_get(value.get(), &length);
    return decodeUtf8(bytes, length);
}

bool Keychain::remove(const QString& service, const QString& account)
{
    const std::lock_guard lock(m_mutex);
    GError* rawError = nullptr;
    const Attributes match = attributes(service, account);
    // False without an error means there was nothing to delete: that is success.
    secret_password_clearv_sync(schema(), match.get(), nullptr, &rawError);
    const ErrorHolder error(rawError);
    return !error;
}

} // namespace vesk
