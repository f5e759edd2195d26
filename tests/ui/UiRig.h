#pragma once

#include "AppRig.h"
#include "AwaitTask.h"
#include "app/AppState.h"

#include <QAbstractItemModel>
#include <QTest>

// What reaches the stand-in (a sync, an action, a page of the web engine)
// can take long under the sanitizers on a busy machine.
#define QTRY_VERIFY_LONG(expr) QTRY_VERIFY_WITH_TIMEOUT(expr, 20000)
#define QTRY_COMPARE_LONG(actual, expected) QTRY_COMPARE_WITH_TIMEOUT(actual, expected, 20000)

namespace vesk::test {

inline const QString ana = QStringLiteral("ana@exemplo.pt");
inline const QString rui = QStringLiteral("rui@exemplo.pt");

/// The application rig with accounts linked in an earlier run (Ana unless
/// told), and the application state the widgets under test show.
struct UiRig : AppRig
{
    explicit UiRig(const QList<AccountIdentity>& linked = {{ana, QStringLiteral("Ana")}})
    {
        for (const AccountIdentity& account : linked)
            linkDirectly(account.email, account.name);
    }

    std::unique_ptr<AppState> app;

    /// A state over the rig's settings, its accounts not synced yet.
    AppState& state()
    {
        app = std::make_unique<AppState>(services());
        return *app;
    }
    /// A state whose accounts have synced once.
    AppState& start()
    {
        awaitTask(state().startAll());
        return *app;
    }
};

/// Each row's `role`, top down.
inline QStringList column(const QAbstractItemModel& model, int role)
{
    QStringList values;
    for (int row = 0; row < model.rowCount(); ++row)
        values.append(model.index(row, 0).data(role).toString());
    return values;
}

} // namespace vesk::test
