#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace vesk::fakegoogle {

// One request as the stand-in received it, for tests that check what the
// client sent. Query items keep their order and repetitions; names and values
// are percent-decoded ("+" read as a space, as Google reads it).
struct RecordedRequest
{
    QString method;
    QString path;
    QList<QPair<QString, QString>> query;
    // cpp-httplib keeps headers sorted by name, so their order here is
    // alphabetical (case-insensitive), not the order on the wire.
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

    QStringList queryValues(const QString& name) const
    {
        QStringList values;
        for (const auto& [key, value] : query) {
            if (key == name)
                values.append(value);
        }
        return values;
    }
};

} // namespace vesk::fakegoogle
