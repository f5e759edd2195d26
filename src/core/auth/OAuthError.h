#pragma once

#include "net/DescribedError.h"

namespace vesk {

/// The error of the authorisation flow. Its description is the Portuguese
/// text shown when linking an account fails.
class OAuthError final : public DescribedError
{
public:
    enum class Kind
    {
        GoogleError,
        Http,
        NotConfigured,
        Cancelled,
        StateMismatch,
        NoCode,
        BrowserUnavailable
    };

    /// Google's "error" value from the redirect, for example access_denied.
    static OAuthError googleError(const QString& error);
    /// An answer of the token endpoint outside 200–299; the body is cut to
    /// 200 characters in the description (grapheme clusters, no ellipsis).
    static OAuthError http(int status, const QString& body);
    static OAuthError notConfigured();
    static OAuthError cancelled();
    static OAuthError stateMismatch();
    static OAuthError noCode();
    /// The consent page could not be handed to any browser.
    static OAuthError browserUnavailable();

    Kind kind() const { return m_kind; }
    /// For Http: the status code; 0 otherwise.
    int status() const { return m_status; }
    /// For GoogleError: Google's value; for Http: the whole body.
    const QString& payload() const { return m_payload; }

private:
    OAuthError(Kind kind, int status, QString payload, QString description);

    Kind m_kind;
    int m_status;
    QString m_payload;
};

} // namespace vesk
