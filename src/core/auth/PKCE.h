#pragma once

#include <QString>

namespace vesk::PKCE {

/// 32 bytes from the system's secure random source, base64url without
/// padding: always 43 characters of letters, digits, "-" and "_".
QString verifier();

/// The S256 challenge of RFC 7636: SHA-256 of the verifier's UTF-8 bytes,
/// base64url without padding (43 characters).
QString challenge(const QString& verifier);

/// 16 bytes from the secure random source as 32 lower-case hex digits; ties
/// the redirect to the request that this program made.
QString state();

} // namespace vesk::PKCE
