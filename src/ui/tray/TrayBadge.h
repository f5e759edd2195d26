#pragma once

#include <QIcon>
#include <QString>

/// What the tray icon shows of the unread total: the count drawn as a badge
/// on the application icon, and the tooltip's sentence. GUI thread only
/// (painting text needs the application's fonts).
namespace vesk::TrayBadge {

/// The sizes the badged icon is drawn at: the common tray sizes, the
/// largest for high-density panels.
inline constexpr int sizes[] = {16, 22, 24, 32, 48, 64};

/// The count as the badge writes it: empty for none, "99+" past 99.
QString label(qint64 unread);

/// `base` at each of `sizes`, with `unread` in a red capsule over its
/// top-right corner; `base` unchanged when nothing is unread.
QIcon icon(const QIcon& base, qint64 unread);

/// "VESK" and, on a second line, how many messages are unread.
QString toolTip(qint64 unread);

} // namespace vesk::TrayBadge
