#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace vesk::fakegoogle {

// Ordered name/value pairs of a query string or a form body. Google reads
// "+" as a space in both, so QUrlQuery (which keeps "+") is not used.
class QueryItems final
{
public:
    QueryItems() = default;
    static QueryItems parse(const QByteArray& encoded);

    const QList<QPair<QString, QString>>& items() const { return m_items; }
    bool has(const QString& name) const;
    QString value(const QString& name) const; // first value, or empty
    QStringList values(const QString& name) const;

    static QByteArray encode(const QList<QPair<QString, QString>>& items);

private:
    QList<QPair<QString, QString>> m_items;
};

} // namespace vesk::fakegoogle
