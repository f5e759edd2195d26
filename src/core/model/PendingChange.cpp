#include "PendingChange.h"

#include "SystemLabels.h"

#include <QCoreApplication>

namespace vesk {

namespace {

QString translated(const char* text)
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
        return translated(QT_TRANSLATE_NOOP("vesk::PendingChange", "mover para a lixeira"));
    case Kind::Untrash:
        return translated(QT_TRANSLATE_NOOP("vesk::PendingChange", "restaurar da lixeira"));
    case Kind::Labels:
        break;
    }
    const QString unread = SystemLabels::unread();
    const QString inbox = SystemLabels::inbox();
    if (add.contains(unread))
        return translated(QT_TRANSLATE_NOOP("vesk::PendingChange", "marcar como não lida"));
    if (remove.contains(unread))
        return translated(QT_TRANSLATE_NOOP("vesk::PendingChange", "marcar como lida"));
    const QString label = namedLabel();
    if (label == SystemLabels::starred())
        return add.contains(label)
                   ? translated(QT_TRANSLATE_NOOP("vesk::PendingChange", "marcar com estrela"))
                   : translated(QT_TRANSLATE_NOOP("vesk::PendingChange", "retirar a estrela de"));
    if (!label.isEmpty()) {
        return (add.contains(label) ? translated(QT_TRANSLATE_NOOP("vesk::PendingChange",
                                                                   "aplicar a etiqueta «%1» a"))
                                    : translated(QT_TRANSLATE_NOOP("vesk::PendingChange",
                                                                   "retirar a etiqueta «%1» de")))
            .arg(labelTitle);
    }
    if (remove.contains(inbox))
        return translated(QT_TRANSLATE_NOOP("vesk::PendingChange", "arquivar"));
    if (add.contains(inbox))
        return translated(
            QT_TRANSLATE_NOOP("vesk::PendingChange", "mover para a caixa de entrada"));
    return translated(QT_TRANSLATE_NOOP("vesk::PendingChange", "alterar"));
}

} // namespace vesk
