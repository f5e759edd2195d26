#include "ui/widgets/ErrorText.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace vesk::ErrorText {

namespace {

// Google's error document: {"error": {"code": 403, "message": "…", …}}, or
// the OAuth form {"error": "invalid_grant", "error_description": "…"}.
QString messageOf(const QJsonObject& document)
{
    const QJsonValue error = document.value(u"error");
    if (error.isObject())
        return error.toObject().value(u"message").toString();
    const QString description = document.value(u"error_description").toString();
    return description.isEmpty() ? error.toString() : description;
}

} // namespace

QString condensed(const QString& raw)
{
    static const QRegularExpression http(QStringLiteral("^HTTP (\\d{3}):\\s*(.*)$"),
                                         QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = http.match(raw.trimmed());
    if (!match.hasMatch())
        return raw.simplified();
    const QString status = match.captured(1);
    // The core cuts long bodies, so the JSON may not parse; then whatever
    // "message" it still holds is better than the braces.
    const QString body = match.captured(2);
    QString message = messageOf(QJsonDocument::fromJson(body.toUtf8()).object());
    if (message.isEmpty()) {
        static const QRegularExpression field(QStringLiteral("\"message\"\\s*:\\s*\"([^\"]*)\""));
        message = field.match(body).captured(1);
    }
    if (message.isEmpty())
        message = body.simplified();
    return message.isEmpty() ? QStringLiteral("HTTP ") + status
                             : QStringLiteral("HTTP %1: %2").arg(status, message.simplified());
}

QString forSession(const QString& raw, SessionError::Kind kind)
{
    switch (kind) {
    case SessionError::Kind::NeedsRelink:
        return QStringLiteral("O Google deixou de aceitar o acesso a esta conta. "
                              "Liga-a de novo para continuar.");
    case SessionError::Kind::Offline:
        return QStringLiteral("Sem ligação ao Google. A sincronização continua quando a "
                              "ligação voltar.");
    case SessionError::Kind::Quota:
        return QStringLiteral("O Google limitou os pedidos desta conta por agora. "
                              "A sincronização continua sozinha.");
    case SessionError::Kind::Other:
        break;
    }
    return condensed(raw);
}

} // namespace vesk::ErrorText
