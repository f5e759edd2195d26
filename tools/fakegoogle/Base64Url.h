#pragma once

#include <QByteArray>

#include <optional>

namespace vesk::fakegoogle::base64url {

// Gmail writes base64url with "=" padding in "data" and "raw" fields.
QByteArray encode(const QByteArray& bytes);

// Accepts base64url with or without padding, as Google does; anything outside
// that alphabet (including "+" and "/") is refused.
std::optional<QByteArray> decode(const QByteArray& text);

} // namespace vesk::fakegoogle::base64url
