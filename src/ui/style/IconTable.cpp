#include "ui/style/IconTable.h"

#include <array>
#include <utility>

namespace vesk {

namespace {

using Entry = std::pair<Symbol, const char16_t*>;

// The active downloads symbol and the filled star use the set's filled
// weight, everything else the regular outline weight, so that each pair
// differs only in weight.
constexpr std::array s_table{
    Entry{Symbol::Archive, u"archive.svg"},
    Entry{Symbol::Refresh, u"arrow-clockwise.svg"},
    Entry{Symbol::Downloads, u"arrow-circle-down.svg"},
    Entry{Symbol::DownloadsActive, u"arrow-circle-down-fill.svg"},
    Entry{Symbol::Reply, u"arrow-bend-up-left.svg"},
    Entry{Symbol::ReplyAll, u"arrow-bend-double-up-left.svg"},
    Entry{Symbol::Forward, u"arrow-bend-up-right.svg"},
    Entry{Symbol::Check, u"check.svg"},
    Entry{Symbol::Drafts, u"file.svg"},
    Entry{Symbol::Envelope, u"envelope-simple.svg"},
    // "Mark as unread": the closed envelope with its flap drawn, set apart
    // from the plain envelope of the reader's placeholder.
    Entry{Symbol::MarkUnread, u"envelope.svg"},
    Entry{Symbol::EnvelopeFilled, u"envelope-simple-fill.svg"},
    Entry{Symbol::MarkRead, u"envelope-simple-open.svg"},
    Entry{Symbol::Important, u"exclamation-mark.svg"},
    Entry{Symbol::Spam, u"warning-octagon.svg"},
    Entry{Symbol::Search, u"magnifying-glass.svg"},
    Entry{Symbol::Attachment, u"paperclip.svg"},
    Entry{Symbol::Sent, u"paper-plane-tilt.svg"},
    Entry{Symbol::AddAccount, u"user-circle-plus.svg"},
    Entry{Symbol::Compose, u"note-pencil.svg"},
    Entry{Symbol::Starred, u"star.svg"},
    Entry{Symbol::StarredFilled, u"star-fill.svg"},
    Entry{Symbol::Label, u"tag.svg"},
    Entry{Symbol::Trash, u"trash.svg"},
    Entry{Symbol::Inbox, u"tray.svg"},
    Entry{Symbol::Remove, u"x-circle-fill.svg"},
};

QString resource(const char16_t* file)
{
    return QStringLiteral(":/icons/") + QString::fromUtf16(file);
}

} // namespace

QString IconTable::path(Symbol symbol)
{
    for (const Entry& entry : s_table) {
        if (symbol == entry.first)
            return resource(entry.second);
    }
    return {};
}

QList<Symbol> IconTable::symbols()
{
    QList<Symbol> all;
    all.reserve(qsizetype(s_table.size()));
    for (const Entry& entry : s_table)
        all.append(entry.first);
    return all;
}

QString IconTable::applicationIcon()
{
    return resource(u"vesk.svg");
}

} // namespace vesk
