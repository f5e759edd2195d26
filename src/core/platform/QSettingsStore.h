#pragma once

#include "SettingsStore.h"

#include <QSettings>

namespace vesk {

/// SettingsStore over QSettings. The default instance is the user's own
/// settings of organisation "orvendo", application "Vesk"; tests pass an INI
/// file of their own. Used from the GUI thread.
class QSettingsStore final : public SettingsStore
{
public:
    QSettingsStore();
    explicit QSettingsStore(const QString& iniFile);

    std::optional<QByteArray> data(const QString& key) const override;
    void setData(const QString& key, const QByteArray& value) override;
    std::optional<QString> text(const QString& key) const override;
    void setText(const QString& key, const QString& value) override;
    void remove(const QString& key) override;

private:
    mutable QSettings m_settings;
};

} // namespace vesk
