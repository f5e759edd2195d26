#include "AccountRegistry.h"

#include "MailJson.h"
#include "platform/SettingsStore.h"

#include <algorithm>

namespace vesk {

namespace {

auto withEmail(const QString& email)
{
    return [&email](const AccountRegistryEntry& entry) { return entry.identity.email == email; };
}

} // namespace

AccountRegistry::AccountRegistry(std::shared_ptr<SettingsStore> settings, QString key,
                                 QObject* parent)
    : QObject(parent)
    , m_settings(std::move(settings))
    , m_key(std::move(key))
{}

AccountRegistry::~AccountRegistry() = default;

bool AccountRegistry::notificationsEnabled(const QString& email) const
{
    const auto it = std::find_if(m_entries.cbegin(), m_entries.cend(), withEmail(email));
    return it == m_entries.cend() || it->notificationsEnabled;
}

void AccountRegistry::load()
{
    QList<Entry> entries;
    if (const std::optional<QByteArray> stored = m_settings->data(m_key)) {
        if (std::optional<QList<Entry>> decoded = MailJson::decodeRegistry(*stored))
            entries = std::move(*decoded);
    }
    if (entries == m_entries)
        return;
    m_entries = std::move(entries);
    Q_EMIT entriesChanged();
}

void AccountRegistry::save()
{
    m_settings->setData(m_key, MailJson::encodeRegistry(m_entries));
}

void AccountRegistry::upsert(const AccountIdentity& identity)
{
    const auto it = std::find_if(m_entries.begin(), m_entries.end(), withEmail(identity.email));
    if (it == m_entries.end())
        m_entries.append(Entry{identity, true});
    else if (it->identity != identity)
        it->identity = identity;
    else
        return;
    save();
    Q_EMIT entriesChanged();
}

void AccountRegistry::setNotificationsEnabled(const QString& email, bool enabled)
{
    const auto it = std::find_if(m_entries.begin(), m_entries.end(), withEmail(email));
    if (it == m_entries.end() || it->notificationsEnabled == enabled)
        return;
    it->notificationsEnabled = enabled;
    save();
    Q_EMIT entriesChanged();
}

void AccountRegistry::remove(const QString& email)
{
    if (m_entries.removeIf(withEmail(email)) == 0)
        return;
    save();
    Q_EMIT entriesChanged();
}

} // namespace vesk
