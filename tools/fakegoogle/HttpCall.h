#pragma once

#include "QueryItems.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace vesk::fakegoogle {

// A request as the route handlers see it, free of the HTTP library's types.
struct HttpCall
{
    QString method;
    QString path;
    QueryItems query;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray header(const QByteArray& name) const
    {
        for (const auto& [key, value] : headers) {
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        }
        return {};
    }
};

} // namespace vesk::fakegoogle
