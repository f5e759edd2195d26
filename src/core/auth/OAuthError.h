#pragma once

#include "net/DescribedError.h"
#include "net/GoogleErrorBody.h"

namespace vesk {

/// The error of the authorisation flow. Its description is the Portuguese
/// sentence shown when linking an account fails: what happened and what
/// helps, derived from Google's error code where there is one. The details
/// keep what Google sent as it came.
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
    /// The details read "Google: " and the value.
    static OAuthError googleError(const QString& error);
    /// An answer of the token endpoint outside 200–299, as parsed where it
    /// arrived. The details read "HTTP <status>: " and the body cut to 200
    /// characters (grapheme clusters, no ellipsis).
    static OAuthError http(GoogleErrorBody answer);
    static OAuthError notConfigured();
    static OAuthError cancelled();
    static OAuthError stateMismatch();
    static OAuthError noCode();
    /// The consent page could not be handed to any browser.
    static OAuthError browserUnavailable();

    Kind kind() const { return m_kind; }
    /// For Http: the status code; 0 otherwise.
    int status() const { return m_answer.httpStatus; }
    /// Google's error code: the redirect's value for GoogleError, the token
    /// endpoint's "error" for Http ("invalid_client"); empty otherwise.
    const QString& errorCode() const { return m_answer.error; }
    /// For GoogleError: Google's value; for Http: the whole body.
    const QString& payload() const { return m_payload; }

private:
    OAuthError(Kind kind, QString payload, QString description, QString details = QString());

    Kind m_kind;
    GoogleErrorBody m_answer;
    QString m_payload;
};

} // namespace vesk
