#include "Base64Url.h"

namespace vesk::fakegoogle::base64url {

QByteArray encode(const QByteArray& bytes)
{
    return bytes.toBase64(QByteArray::Base64UrlEncoding);
}

std::optional<QByteArray> decode(const QByteArray& text)
{
    QByteArray body = text;
    while (body.endsWith('='))
        body.chop(1);
    if (body.size() % 4 == 1)
        return std::nullopt;
    for (char c : body) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!ok)
            return std::nullopt;
    }
    auto result = QByteArray::fromBase64Encoding(body, QByteArray::Base64UrlEncoding |
                                                           QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return std::nullopt;
    return *result;
}

} // namespace vesk::fakegoogle::base64url
