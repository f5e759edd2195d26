#pragma once

#include <QMetaType>
#include <QString>

#include <exception>

namespace vesk {

/// A failure of an account's synchronisation or of an action on it, as the
/// interface shows it: the sentence, what came in (for a tooltip), and what
/// kind of next step it calls for. The kind is read from the error's fields
/// (Google's status and reason, the token endpoint's code), never its text.
struct SessionError
{
    Q_GADGET

public:
    enum class Kind
    {
        /// Google no longer accepts the account's tokens, or they lack the
        /// Gmail permission: only linking the account again helps.
        NeedsRelink,
        /// No connection to Google; it passes by itself.
        Offline,
        /// Google's quota for the account is spent for now; it passes by itself.
        Quota,
        Other,
    };
    Q_ENUM(Kind)

    /// The error's Portuguese sentence.
    QString text;
    Kind kind = Kind::Other;
    /// What came in, as it came: Google's answer, the platform's text.
    QString details;

    static SessionError from(const std::exception& error);

    friend bool operator==(const SessionError&, const SessionError&) = default;
};

} // namespace vesk
