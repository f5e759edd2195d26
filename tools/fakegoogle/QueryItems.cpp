#include "QueryItems.h"

#include <QStringList>
#include <QUrl>

namespace vesk::fakegoogle {

namespace {

QString decodeComponent(QByteArray text)
{
    text.replace('+', ' ');
    return QString::fromUtf8(QByteArray::fromPercentEncoding(text));
}

} // namespace

QueryItems QueryItems::parse(const QByteArray& encoded)
{
    QueryItems result;
    for (const QByteArray& piece : encoded.split('&')) {
        if (piece.isEmpty())
            continue;
        const qsizetype equals = piece.indexOf('=');
        if (equals < 0)
            result.m_items.append({decodeComponent(piece), QString()});
        else
            result.m_items.append(
                {decodeComponent(piece.left(equals)), decodeComponent(piece.mid(equals + 1))});
    }
    return result;
}

bool QueryItems::has(const QString& name) const
{
    for (const auto& item : m_items) {
        if (item.first == name)
            return true;
    }
    return false;
}

QString QueryItems::value(const QString& name) const
{
    for (const auto& item : m_items) {
        if (item.first == name)
            return item.second;
    }
    return {};
}

QStringList QueryItems::values(const QString& name) const
{
    QStringList result;
    for (const auto& item : m_items) {
        if (item.first == name)
            result.append(item.second);
    }
    return result;
}

QByteArray QueryItems::encode(const QList<QPair<QString, QString>>& items)
{
    QByteArray out;
    for (const auto& [name, value] : items) {
        if (!out.isEmpty())
            out += '&';
        out += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    }
    return out;
}

} // namespace vesk::fakegoogle
