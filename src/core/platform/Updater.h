#pragma once

namespace vesk {

/// The program's update check, as the menu command "Buscar atualizações…"
/// reaches it. Where the program is installed decides how it is updated: a
/// package manager, a store, or an updater of the program's own.
///
/// Called on the GUI thread; must not block it.
class Updater
{
public:
    virtual ~Updater() = default;
    /// Checks for a newer version and tells the user what was found, or
    /// where updates come from when this program does not update itself.
    virtual void checkForUpdates() = 0;
};

} // namespace vesk
