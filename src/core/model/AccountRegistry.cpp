#include "AccountRegistry.h"

#include "MailJson.h"
#include "platform/SettingsStore.h"

#include <algorithm>

namespace vesk {

AccountRegistry::AccountRegistry(std::shared_ptr<SettingsStore> settings, QString key)
    : m_settings(std::move(settings))
    , m_key(std::move(key))
{}

bool AccountRegistry::notificationsEnabled(const QString& email) const
{
    const auto it = std::find_if(m_entries.cbegin(), m_entries.cend(),
                                 [&](const Entry& e) { return e.identity.email == email; });
    return it == m_entries.cend() || it->notificationsEnabled;
}

void AccountRegistry::load()
{
    m_entries.clear();
    const std::optional<QByteArray> stored = m_settings->data(m_key);
    if (!stored)
        return;
    if (std::optional<QList<Entry>> decoded = MailJson::decodeRegistry(*stored))
        m_entries = std::move(*decoded);
}

void AccountRegistry::save()
{
    m_settings->setData(m_key, MailJson::encodeRegistry(m_entries));
}

void AccountRegistry::upsert(const AccountIdentity& identity)
{
    const auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) {
        return e.identity.email == identity.email;
    });
    if (it != m_entries.end())
        it->identity = identity;
    else
        m_entries.append(Entry{identity, true});
    save();
}

void AccountRegistry::setNotifications(const QString& email, bool enabled)
{
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&](const Entry& e) { return e.identity.email == email; });
    if (it == m_entries.end())
        return;
    it->notificationsEnabled = enabled;
    save();
}

void AccountRegistry::remove(const QString& email)
{
    m_entries.removeIf([&](const Entry& e) { return e.identity.email == email; });
    save();
}

} // namespace vesk
