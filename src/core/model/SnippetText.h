#pragma once

#include <QString>

namespace vesk {

/// Gmail sends snippets with HTML entities ("&#39;", "&amp;", "&quot;"). The
/// model and the cache keep them as sent; every place that shows a snippet
/// (notifications, thread rows, the reader's fallback, quoted text) turns it
/// into display text with this. Unknown entities stay as written; numeric
/// ones that name no character become U+FFFD.
QString snippetDisplayText(const QString& snippet);

} // namespace vesk
