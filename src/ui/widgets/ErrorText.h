#pragma once

#include "sync/SessionError.h"

#include <QString>

/// Errors as a person reads them. The core hands each failure over as a
/// sentence derived from Google's fields, its kind and the details as they
/// came; this is the little the interface adds. Pure text work.
namespace vesk::ErrorText {

/// What the sidebar says about an account's failed sync: for the kinds that
/// pass by themselves (offline, quota), that the sync goes on by itself;
/// otherwise the error's own sentence, which says what helps.
QString forSession(const SessionError& error);

/// What a failed request the person made (a search, opening a conversation)
/// says where they made it: what to do to try again.
QString forRequest(const SessionError& error);

/// The details as a tooltip: escaped, so that nothing a server sent is read
/// as markup, and wrapped, so that a long answer does not run off the screen.
/// Empty for empty details, so that no empty tip shows.
QString tooltip(const QString& details);

} // namespace vesk::ErrorText
