#include "QSettingsStore.h"

namespace vesk {

QSettingsStore::QSettingsStore()
    : m_settings(QStringLiteral("orvendo"), QStringLiteral("Vesk"))
{}

QSettingsStore::QSettingsStore(const QString& iniFile)
    : m_settings(iniFile, QSettings::IniFormat)
{}

std::optional<QByteArray> QSettingsStore::data(const QString& key) const
{
    const QVariant value = m_settings.value(key);
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

void QSettingsStore::setData(const QString& key, const QByteArray& value)
{
    m_settings.setValue(key, value);
    // The process may end at any moment; do not leave the write to a later flush.
    m_settings.sync();
}

std::optional<QString> QSettingsStore::text(const QString& key) const
{
    const QVariant value = m_settings.value(key);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

void QSettingsStore::setText(const QString& key, const QString& value)
{
    m_settings.setValue(key, value);
    m_settings.sync();
}

void QSettingsStore::remove(const QString& key)
{
    m_settings.remove(key);
    m_settings.sync();
}

} // namespace vesk
