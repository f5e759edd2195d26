#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vesk {

/// Gmail's base64url, with or without "=" padding. Nothing when the text is
/// not valid base64url (white space included).
std::optional<QByteArray> decodeBase64Url(const QString& text);

} // namespace vesk
