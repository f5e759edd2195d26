#pragma once

#include <QString>
#include <QStringList>

namespace vesk {

/// The program's entry in the user's XDG autostart folder
/// ($XDG_CONFIG_HOME/autostart/<id>.desktop), which the desktop session reads
/// at login to start it. Turning it on writes the entry with the program and
/// its start arguments; turning it off removes it. The folder and the command
/// are given, so tests and the demo point it elsewhere. Synchronous file
/// work; any thread, one caller at a time.
class Autostart final
{
public:
    /// `folder` is the autostart folder itself; `command` the program
    /// followed by its arguments, unquoted.
    Autostart(QString folder, QString id, QStringList command);

    /// The user's autostart folder under $XDG_CONFIG_HOME (~/.config when unset).
    static QString userFolder();

    QString entryPath() const;
    /// Whether the session will start the program: the entry is there and
    /// the user has not switched it off in their session's settings (which
    /// keep the file and mark it hidden).
    bool isEnabled() const;
    /// Writes or removes the entry. Returns the reason when the file could
    /// not be written or removed (a read-only folder); empty on success.
    QString setEnabled(bool enabled) const;

    /// The entry's text for `command`: a desktop entry named after the
    /// program, with the icon `id`, whose Exec line quotes every argument as
    /// the desktop entry format requires.
    static QByteArray entryText(const QString& id, const QStringList& command);
    /// One argument as an Exec line takes it: bare when it holds nothing
    /// the format reserves, else in double quotes with `"`, `` ` ``, `$`
    /// and `\` escaped; `%` doubled in both cases. The caller escapes the
    /// line once more as a desktop file string.
    static QString execArgument(const QString& argument);

private:
    const QString m_folder;
    const QString m_id;
    const QStringList m_command;
};

} // namespace vesk
