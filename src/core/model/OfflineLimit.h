#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace vesk {

class SettingsStore;

/// How much disk the conversations kept for reading offline may take, in
/// megabytes, as the user set it in the settings (200 by default; 0 keeps
/// none). Shared by the account sessions, which shrink their stores when it
/// drops. GUI thread only, like the settings store under it; reads go to the
/// store every time, so nothing is cached.
class OfflineLimit final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int megabytes READ megabytes WRITE setMegabytes NOTIFY changed)

public:
    static constexpr int defaultMegabytes = 200;
    /// A terabyte: more is a typing slip.
    static constexpr int maximumMegabytes = 1024 * 1024;
    static QString key() { return QStringLiteral("offlineThreadsMegabytes"); }

    explicit OfflineLimit(std::shared_ptr<SettingsStore> settings, QObject* parent = nullptr);
    ~OfflineLimit() override;

    /// The stored value within 0 and maximumMegabytes; the default when
    /// absent or not a number.
    int megabytes() const;
    /// Stores the value brought within range; announced when it changed.
    void setMegabytes(int megabytes);
    qint64 bytes() const { return qint64(megabytes()) * 1024 * 1024; }

Q_SIGNALS:
    void changed();

private:
    const std::shared_ptr<SettingsStore> m_settings;
};

} // namespace vesk
