#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QPair>

namespace vesk::fakegoogle {

// An answer produced by a route handler; the HTTP front end writes it, or a
// distorted version of it when a fault asks for that.
struct HttpReply
{
    int status = 200;
    QByteArray contentType = "application/json; charset=UTF-8";
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;

    static HttpReply json(const QJsonObject& object, int status = 200)
    {
        HttpReply reply;
        reply.status = status;
        reply.body = QJsonDocument(object).toJson(QJsonDocument::Indented);
        return reply;
    }
};

} // namespace vesk::fakegoogle
