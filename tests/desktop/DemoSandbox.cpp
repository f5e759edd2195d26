#include "DemoSandbox.h"

#include "DemoSeed.h"

#include <QDir>

namespace vesk::test {

QProcessEnvironment demoEnvironment(const QString& sandbox)
{
    const QString home = sandbox + QStringLiteral("/home");
    const QString temporary = sandbox + QStringLiteral("/tmp");
    if (!QDir().mkpath(home) || !QDir().mkpath(temporary))
        qFatal("cannot make the demo's folders under %s", qPrintable(sandbox));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("TMPDIR"), temporary);
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        env.remove(QString::fromLatin1(name));
    return env;
}

QStringList demoArguments(const QUrl& google, int syncSeconds)
{
    using fakegoogle::DemoSeed;
    return {QStringLiteral("--google"),        google.toString(),
            QStringLiteral("--client-id"),     QString::fromLatin1(DemoSeed::clientId),
            QStringLiteral("--client-secret"), QString::fromLatin1(DemoSeed::clientSecret),
            QStringLiteral("--accounts"),      QStringLiteral("2"),
            QStringLiteral("--sync-every"),    QString::number(syncSeconds)};
}

} // namespace vesk::test
