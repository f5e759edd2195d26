#include "DemoSandbox.h"

#include "DemoSeed.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace vesk::test {

QProcessEnvironment demoEnvironment(const QString& sandbox)
{
    const QString home = sandbox + u"/home"_s;
    const QString temporary = sandbox + u"/tmp"_s;
    if (!QDir().mkpath(home) || !QDir().mkpath(temporary))
        qFatal("cannot make the demo's folders under %s", qPrintable(sandbox));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home);
    env.insert(u"TMPDIR"_s, temporary);
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        env.remove(QString::fromLatin1(name));
    return env;
}

QStringList demoArguments(const QUrl& google, int syncSeconds)
{
    using fakegoogle::DemoSeed;
    return {u"--google"_s,        google.toString(),
            u"--client-id"_s,     QString::fromLatin1(DemoSeed::clientId),
            u"--client-secret"_s, QString::fromLatin1(DemoSeed::clientSecret),
            u"--accounts"_s,      u"2"_s,
            u"--sync-every"_s,    QString::number(syncSeconds)};
}

} // namespace vesk::test
