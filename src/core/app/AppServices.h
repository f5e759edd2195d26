#pragma once

#include "sync/SessionServices.h"

#include <functional>
#include <memory>

namespace vesk {

class BrowserOpening;
class FileDialogs;
class FileManagerReveal;
class NotificationRouter;
class Reachability;
class SettingsStore;
class SpellingService;
class TransferManager;

/// What the application state is built with: the production composition in
/// `main`, one of each service, and a local one in tests and the demo.
struct AppServices
{
    std::shared_ptr<SettingsStore> settings;
    /// Also carries the transport, poster and OAuth configuration.
    SessionServices sessions;
    std::shared_ptr<BrowserOpening> browser;
    std::shared_ptr<FileDialogs> dialogs;
    /// Shows a saved download in the file manager.
    std::shared_ptr<FileManagerReveal> fileManager;
    std::shared_ptr<NotificationRouter> router;
    /// The attachment downloads of every account, for the windows to share.
    std::shared_ptr<TransferManager> transfers;
    /// Raises the main window, taking focus from other programs.
    std::function<void()> bringToFront;
    /// Whether Google can be reached. The application state makes one that
    /// goes by its requests alone when none is given; the program's follows
    /// the system's network state too.
    std::shared_ptr<Reachability> reachability;
    /// The dictionaries and own words every composer checks with; none, and
    /// composers check nothing.
    std::shared_ptr<SpellingService> spelling;
};

} // namespace vesk
