#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace vesk::test {

/// The environment of a demo run kept out of the user's world: `home` as
/// HOME, `temporary` (where the demo makes its throwaway profile) as TMPDIR,
/// and no XDG folders of the caller's.
QProcessEnvironment demoEnvironment(const QString& home, const QString& temporary);

/// The demo's arguments for the stand-in at `google` with the demo client,
/// linking both demo accounts, syncing every `syncSeconds`.
QStringList demoArguments(const QUrl& google, int syncSeconds);

} // namespace vesk::test
