#pragma once

#include <QMetaType>

namespace vesk {

/// The symbols the interface draws, named for what they stand for; the
/// vendored file that draws each is `IconTable`'s business.
enum class Symbol
{
    Archive,
    Refresh,
    Downloads,
    /// The downloads symbol while one runs: the same glyph, filled.
    DownloadsActive,
    Reply,
    ReplyAll,
    Forward,
    Check,
    Drafts,
    Envelope,
    EnvelopeFilled,
    MarkRead,
    MarkUnread,
    Important,
    Spam,
    Search,
    Attachment,
    Sent,
    AddAccount,
    Compose,
    Starred,
    /// A starred conversation's star: the same glyph, filled.
    StarredFilled,
    Label,
    Trash,
    Inbox,
    Remove, // the last: the tests walk every value up to it
};

} // namespace vesk

Q_DECLARE_METATYPE(vesk::Symbol)
