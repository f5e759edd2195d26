#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vesk {

/// The per-user key-value store for small preferences (the account registry,
/// the OAuth client id). An interface so that tests and the demo can point it
/// at a file of their own. Writes are durable when the call returns.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    /// The byte value under `key`; nothing when absent or stored as another type.
    virtual std::optional<QByteArray> data(const QString& key) const = 0;
    virtual void setData(const QString& key, const QByteArray& value) = 0;

    /// The text value under `key`; nothing when absent or stored as another type.
    virtual std::optional<QString> text(const QString& key) const = 0;
    virtual void setText(const QString& key, const QString& value) = 0;

    virtual void remove(const QString& key) = 0;
};

} // namespace vesk
