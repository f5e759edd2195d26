#pragma once

#include "platform/Updater.h"

#include <QPointer>
#include <QWidget>

namespace vesk {

/// The update check on Linux: the program is installed and updated by the
/// system's package manager, so the check says so instead of downloading
/// anything itself. The answer is a message box over `window`.
/// GUI thread only.
class PackageManagerUpdater final : public Updater
{
public:
    explicit PackageManagerUpdater(QWidget* window = nullptr);

    void setWindow(QWidget* window) { m_window = window; }
    void checkForUpdates() override;

    static QString title();
    static QString explanation();

private:
    QPointer<QWidget> m_window;
};

} // namespace vesk
