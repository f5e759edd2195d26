#pragma once

#include "AppRig.h"

#include <QAbstractItemModel>
#include <QMenu>

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
};

/// Each row's `role`, top down.
inline QStringList column(const QAbstractItemModel& model, int role)
{
    QStringList values;
    for (int row = 0; row < model.rowCount(); ++row)
        values.append(model.index(row, 0).data(role).toString());
    return values;
}

/// The action of `menu` or of its submenus shown as `text`, if any.
inline QAction* action(const QMenu& menu, const QString& text)
{
    for (QAction* candidate : menu.actions()) {
        if (candidate->text() == text)
            return candidate;
        if (candidate->menu())
            if (QAction* inner = action(*candidate->menu(), text))
                return inner;
    }
    return nullptr;
}

} // namespace vesk::test
