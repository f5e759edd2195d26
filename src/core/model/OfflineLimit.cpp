#include "OfflineLimit.h"

#include "platform/SettingsStore.h"

#include <algorithm>

namespace vesk {

OfflineLimit::OfflineLimit(std::shared_ptr<SettingsStore> settings, QObject* parent)
    : QObject(parent)
    , m_settings(std::move(settings))
{
    Q_ASSERT(m_settings);
}

OfflineLimit::~OfflineLimit() = default;

int OfflineLimit::megabytes() const
{
    bool ok = false;
    const qint64 stored = m_settings->text(key()).value_or(QString()).toLongLong(&ok);
    if (!ok)
        return defaultMegabytes;
    return int(std::clamp<qint64>(stored, 0, maximumMegabytes));
}

void OfflineLimit::setMegabytes(int megabytes)
{
    const int bounded = std::clamp(megabytes, 0, maximumMegabytes);
    if (bounded == this->megabytes())
        return;
    m_settings->setText(key(), QString::number(bounded));
    Q_EMIT changed();
}

} // namespace vesk
