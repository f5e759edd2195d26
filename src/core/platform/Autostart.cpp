#include "Autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace vesk {

namespace {

/// A desktop file string value: backslashes and line breaks escaped, so that
/// a strange program path cannot end the line or start another key.
QString desktopString(const QString& value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (const QChar c : value) {
        if (c == u'\\')
            escaped += QStringLiteral("\\\\");
        else if (c == u'\n')
            escaped += QStringLiteral("\\n");
        else if (c == u'\r')
            escaped += QStringLiteral("\\r");
        else if (c == u'\t')
            escaped += QStringLiteral("\\t");
        else
            escaped += c;
    }
    return escaped;
}

/// A key's value as the session reads it, or empty; the main group only.
QString entryValue(const QByteArray& text, const QByteArray& key)
{
    bool mainGroup = false;
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            mainGroup = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (mainGroup && equals > 0 && line.left(equals).trimmed() == key)
            return QString::fromUtf8(line.mid(equals + 1).trimmed());
    }
    return {};
}

} // namespace

Autostart::Autostart(QString folder, QString id, QStringList command)
    : m_folder(std::move(folder))
    , m_id(std::move(id))
    , m_command(std::move(command))
{}

QString Autostart::userFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

QString Autostart::entryPath() const
{
    return m_folder + u'/' + m_id + QStringLiteral(".desktop");
}

bool Autostart::isEnabled() const
{
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Small by nature; a huge file is not ours and reads as off.
    const QByteArray text = file.read(64 * 1024);
    return entryValue(text, "Hidden").compare(u"true", Qt::CaseInsensitive) != 0 &&
           entryValue(text, "X-GNOME-Autostart-enabled").compare(u"false", Qt::CaseInsensitive) !=
               0;
}

QString Autostart::setEnabled(bool enabled) const
{
    const QString path = entryPath();
    if (!enabled) {
        QFile file(path);
        if (!file.exists() || file.remove())
            return {};
        return file.errorString();
    }
    if (!QDir().mkpath(m_folder))
        return QCoreApplication::translate("vesk::Autostart", "a pasta %1 não pode ser criada")
            .arg(m_folder);
    // Whole or not at all: the session never reads half an entry.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    file.write(entryText(m_id, m_command));
    if (!file.commit())
        return file.errorString();
    return {};
}

QByteArray Autostart::entryText(const QString& id, const QStringList& command)
{
    QStringList exec;
    for (const QString& argument : command)
        exec.append(execArgument(argument));
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=VESK\n"
                                        "Exec=%1\n"
                                        "Icon=%2\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(desktopString(exec.join(u' ')), desktopString(id));
    return text.toUtf8();
}

QString Autostart::execArgument(const QString& argument)
{
    static constexpr QStringView reserved = u" \t\n\"'\\><~|&;$*?#()`";
    QString doubled = argument;
    doubled.replace(u'%', QStringLiteral("%%"));
    const bool plain =
        !argument.isEmpty() && std::none_of(argument.cbegin(), argument.cend(),
                                            [](QChar c) { return reserved.contains(c); });
    if (plain)
        return doubled;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : std::as_const(doubled)) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    return quoted + u'"';
}

} // namespace vesk
