#pragma once

#include "AccountRegistryEntry.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

namespace vesk {

class SettingsStore;

/// The persisted, ordered list of linked accounts with their notification
/// switches, kept as one JSON byte value in the settings store.
///
/// Owned by the application state and used on the GUI thread only. Every
/// change is written back at once and announced once; an operation that
/// changes nothing neither writes nor announces. An unreadable stored value
/// reads as an empty list and stays untouched until the next change
/// overwrites it.
class AccountRegistry final : public QObject
{
    Q_OBJECT

public:
    using Entry = AccountRegistryEntry;

    /// The settings key, as stored by earlier versions: it must not change.
    static QString defaultKey() { return QStringLiteral("accountsRegistry"); }

    explicit AccountRegistry(std::shared_ptr<SettingsStore> settings, QString key = defaultKey(),
                             QObject* parent = nullptr);
    ~AccountRegistry() override;

    const QString& key() const { return m_key; }
    const QList<Entry>& entries() const { return m_entries; }

    /// The switch of the first entry with this email; true when none matches.
    bool notificationsEnabled(const QString& email) const;

    /// Reads the stored list again.
    void load();
    /// Adds a new account at the end with notifications on, or takes over the
    /// identity of an existing one in place, keeping its switch.
    void upsert(const AccountIdentity& identity);
    /// Sets the switch of the first entry with this email; none matching is a no-op.
    void setNotificationsEnabled(const QString& email, bool enabled);
    /// Takes out every entry with this email.
    void remove(const QString& email);

Q_SIGNALS:
    void entriesChanged();

private:
    void save();

    const std::shared_ptr<SettingsStore> m_settings;
    const QString m_key;
    QList<Entry> m_entries;
};

} // namespace vesk
