#pragma once

#include <QString>
#include <QStringList>

namespace vesk {

struct NotificationPayload;

/// The two texts of a freedesktop notification, made from a payload for one
/// particular notification server.
///
/// Mail text is hostile input: a subject may carry control characters, broken
/// UTF-16, markup or megabytes of text. Each field is cleaned (no control
/// characters, no lone surrogates, bounded length) and escaped where the
/// server reads markup, so that a message can neither garble the popup nor
/// get the whole call refused by the bus.
struct NotificationText
{
    QString summary;
    QString body;

    /// `capabilities` as the server answered `GetCapabilities`. The subtitle
    /// (the sender) leads the body when the server shows bodies, in bold where
    /// it reads markup; a server without bodies gets everything in the summary.
    static NotificationText forServer(const NotificationPayload& payload,
                                      const QStringList& capabilities);
};

/// One line of display text: control characters and line breaks become single
/// spaces, lone surrogates and non-characters become U+FFFD, and the result is
/// cut to `maxLength` UTF-16 units with an ellipsis (never inside a pair).
QString cleanNotificationLine(QStringView text, qsizetype maxLength);

} // namespace vesk
