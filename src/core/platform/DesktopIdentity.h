#pragma once

#include <QString>

namespace vesk {

/// How the desktop knows the installed program. One reverse-domain id names
/// the desktop file, the theme icon, the AppStream component and the D-Bus
/// name of the running instance, so that a notification, the launcher badge
/// and a second start all lead to the same entry. The build sets the id (the
/// install rules write the files under it); these only spell it out.
struct DesktopIdentity final
{
    /// "app.orvendo.Vesk": the desktop file's id without ".desktop", the
    /// icon name and the well-known bus name.
    static QString id();
    static QString desktopFileName();
    /// "application://" + the desktop file name, as launchers key badges.
    static QString applicationUri();
    /// The bus path of the instance's object: the id with dots as slashes.
    static QString objectPath();
};

} // namespace vesk
