#pragma once

#include "sync/SessionError.h"

#include <QString>

/// Errors as a person reads them. The core's texts carry what Google said
/// verbatim (for example "HTTP 403: " and a JSON document); a sidebar line or
/// a transfer card shows what happened and what helps, and keeps the whole
/// text for a tooltip. Pure text work.
namespace vesk::ErrorText {

/// `raw` with an HTTP answer's JSON body reduced to Google's own message:
/// "HTTP 404: Requested entity was not found." Other texts come back as
/// they are, folded onto one line.
QString condensed(const QString& raw);

/// What the sidebar says about an account's failed sync: a sentence for the
/// kinds that call for waiting or linking again, the condensed text otherwise.
QString forSession(const QString& raw, SessionError::Kind kind);

} // namespace vesk::ErrorText
