#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace vesk::test {

/// The environment of a demo run kept out of the user's world: the folders
/// "home" (as HOME) and "tmp" (as TMPDIR, where the demo makes its throwaway
/// profile) made under `sandbox`, and no XDG folders of the caller's.
QProcessEnvironment demoEnvironment(const QString& sandbox);

/// The demo's arguments for the stand-in at `google` with the demo client,
/// linking both demo accounts, syncing every `syncSeconds`.
QStringList demoArguments(const QUrl& google, int syncSeconds);

} // namespace vesk::test
