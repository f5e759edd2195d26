#include "PendingChange.h"

#include "SystemLabels.h"

#include <QCoreApplication>

namespace vesk {

namespace {

QString translate(const char* text)
{
    return QCoreApplication::translate("vesk::PendingChange", text);
}

} // namespace

PendingChange PendingChange::labels(QStringList threadIds, QStringList add, QStringList remove)
{
    PendingChange change;
    change.threadIds = std::move(threadIds);
    change.add = std::move(add);
    change.remove = std::move(remove);
    return change;
}

PendingChange PendingChange::trash(QStringList threadIds)
{
    PendingChange change = labels(std::move(threadIds), {SystemLabels::trash()},
                                  {SystemLabels::inbox(), SystemLabels::spam()});
    change.kind = Kind::Trash;
    return change;
}

PendingChange PendingChange::untrash(QStringList threadIds)
{
    PendingChange change =
        labels(std::move(threadIds), {SystemLabels::inbox()}, {SystemLabels::trash()});
    change.kind = Kind::Untrash;
    return change;
}

QStringList PendingChange::appliedTo(QStringList labelIds) const
{
    for (const QString& label : remove)
        labelIds.removeAll(label);
    for (const QString& label : add) {
        if (!labelIds.contains(label))
            labelIds.append(label);
    }
    return labelIds;
}

PendingChange PendingChange::reversed() const
{
    PendingChange reverse = labels(threadIds, remove, add);
    if (kind == Kind::Trash) {
        reverse.add.removeAll(SystemLabels::spam());
        reverse.kind = Kind::Untrash;
    } else if (kind == Kind::Untrash) {
        reverse.kind = Kind::Trash;
    }
    reverse.subject = subject;
    return reverse;
}

QString PendingChange::namedLabel() const
{
    for (const QStringList* list : {&add, &remove}) {
        for (const QString& label : *list) {
            if (label != SystemLabels::inbox() && label != SystemLabels::unread() &&
                label != SystemLabels::trash() && label != SystemLabels::spam())
                return label;
        }
    }
    return {};
}

QString PendingChange::action(const QString& labelTitle) const
{
    switch (kind) {
    case Kind::Trash:
        return translate("mover para a lixeira");
    case Kind::Untrash:
        return translate("restaurar da lixeira");
    case Kind::Labels:
        break;
    }
    const QString unread = SystemLabels::unread();
    const QString inbox = SystemLabels::inbox();
    if (add.contains(unread))
        return translate("marcar como não lida");
    if (remove.contains(unread))
        return translate("marcar como lida");
    const QString label = namedLabel();
    if (label == SystemLabels::starred())
        return add.contains(label) ? translate("marcar com estrela")
                                   : translate("retirar a estrela de");
    if (!label.isEmpty()) {
        return (add.contains(label) ? translate("aplicar a etiqueta «%1» a")
                                    : translate("retirar a etiqueta «%1» de"))
            .arg(labelTitle);
    }
    if (remove.contains(inbox))
        return translate("arquivar");
    if (add.contains(inbox))
        return translate("mover para a caixa de entrada");
    return translate("alterar");
}

} // namespace vesk
