#include "ui/widgets/ErrorText.h"

#include <QCoreApplication>

namespace vesk::ErrorText {

QString forSession(const SessionError& error)
{
    switch (error.kind) {
    case SessionError::Kind::Offline:
        return QCoreApplication::translate(
            "vesk::ErrorText", "Sem ligação ao Google. A sincronização continua quando a "
                               "ligação voltar.");
    case SessionError::Kind::Quota:
        return QCoreApplication::translate("vesk::ErrorText",
                                           "O Google limitou os pedidos desta conta por agora. "
                                           "A sincronização continua sozinha.");
    case SessionError::Kind::NeedsRelink:
    case SessionError::Kind::Other:
        break;
    }
    return error.text.simplified();
}

QString forRequest(const SessionError& error)
{
    switch (error.kind) {
    case SessionError::Kind::Offline:
        return QCoreApplication::translate(
            "vesk::ErrorText", "Sem ligação ao Google. Verifica a ligação à Internet e tenta de "
                               "novo.");
    case SessionError::Kind::Quota:
        return QCoreApplication::translate(
            "vesk::ErrorText", "O Google limitou os pedidos desta conta por agora. Tenta de novo "
                               "daqui a um minuto.");
    case SessionError::Kind::NeedsRelink:
    case SessionError::Kind::Other:
        break;
    }
    return error.text.simplified();
}

QString tooltip(const QString& details)
{
    if (details.trimmed().isEmpty())
        return {};
    // Rich text makes the tip wrap; the escaping keeps it the text it was.
    return QStringLiteral("<p style=\"white-space: pre-wrap;\">") + details.toHtmlEscaped() +
           QStringLiteral("</p>");
}

} // namespace vesk::ErrorText
