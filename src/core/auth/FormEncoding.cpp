#include "FormEncoding.h"

#include <QUrl>

namespace vesk {

namespace {

QByteArray component(const QString& text)
{
    // Unreserved characters (letters, digits, "-._~") stay as they are anyway;
    // these are the remaining query characters that need no escaping.
    static const QByteArray s_keep = QByteArrayLiteral("!$'()*,/:;?@");
    return QUrl::toPercentEncoding(text, s_keep);
}

} // namespace

QByteArray formEncode(const FormFields& fields)
{
    QByteArray body;
    for (const auto& [name, value] : fields) {
        if (!body.isEmpty())
            body += '&';
        body += component(name) + '=' + component(value);
    }
    return body;
}

} // namespace vesk
