#pragma once

#include <QMetaType>
#include <QString>

#include <exception>

namespace vesk {

/// A failure of an account's synchronisation or of an action on it, as the
/// interface shows it: the text, and what kind of next step it calls for.
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

    QString text;
    Kind kind = Kind::Other;

    static SessionError from(const std::exception& error);

    friend bool operator==(const SessionError&, const SessionError&) = default;
};

} // namespace vesk
