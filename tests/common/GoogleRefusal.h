#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vesk::test {

/// Google's error document as the Gmail API writes it: one reason, a message.
inline QByteArray googleRefusal(const char* reason, const QString& message = QStringLiteral("m"),
                                int code = 403)
{
    const QJsonObject error{
        {QStringLiteral("code"), code},
        {QStringLiteral("message"), message},
        {QStringLiteral("errors"),
         QJsonArray{QJsonObject{{QStringLiteral("reason"), QString::fromUtf8(reason)}}}}};
    return QJsonDocument(QJsonObject{{QStringLiteral("error"), error}}).toJson();
}

} // namespace vesk::test
