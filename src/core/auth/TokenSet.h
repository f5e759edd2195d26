#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace vesk {

/// One account's OAuth tokens as Google issued them. Stored as compact JSON
/// text in the keychain, one item per account (see TokenVault); "expiresAt"
/// is written as seconds since 2001-01-01T00:00:00Z, the reference instant
/// that items written by every version of the program use.
struct TokenSet
{
    QString accessToken;
    /// Empty only when Google never issued one.
    QString refreshToken;
    /// In UTC, to the millisecond.
    QDateTime expiresAt;
    /// Space-separated scopes Google reported as granted; empty when none.
    QString scope;

    QByteArray toJson() const;
    /// Nothing unless the text is one JSON object with all four keys of the
    /// right types and a finite, representable "expiresAt".
    static std::optional<TokenSet> fromJson(const QByteArray& json);

    friend bool operator==(const TokenSet&, const TokenSet&) = default;
};

} // namespace vesk
