#include "ui/style/IconTable.h"

#include <array>
#include <utility>

namespace vesk {

namespace {

using Entry = std::pair<const char16_t*, const char16_t*>;

// Filled symbols (".fill") use the set's filled weight, everything else the
// regular outline weight, so that "arrow.down.circle" and its ".fill" twin
// differ only in weight as the toolbar expects.
constexpr std::array s_table{
    Entry{u"archivebox", u"archive.svg"},
    Entry{u"arrow.clockwise", u"arrow-clockwise.svg"},
    Entry{u"arrow.down.circle", u"arrow-circle-down.svg"},
    Entry{u"arrow.down.circle.fill", u"arrow-circle-down-fill.svg"},
    Entry{u"arrowshape.turn.up.left", u"arrow-bend-up-left.svg"},
    Entry{u"arrowshape.turn.up.left.2", u"arrow-bend-double-up-left.svg"},
    Entry{u"arrowshape.turn.up.right", u"arrow-bend-up-right.svg"},
    Entry{u"checkmark", u"check.svg"},
    Entry{u"doc", u"file.svg"},
    Entry{u"envelope", u"envelope-simple.svg"},
    // "Mark as unread": the closed envelope with its flap drawn, set apart
    // from the plain envelope of the reader's placeholder.
    Entry{u"envelope.badge", u"envelope.svg"},
    Entry{u"envelope.fill", u"envelope-simple-fill.svg"},
    Entry{u"envelope.open", u"envelope-simple-open.svg"},
    Entry{u"exclamationmark", u"exclamation-mark.svg"},
    Entry{u"exclamationmark.octagon", u"warning-octagon.svg"},
    Entry{u"magnifyingglass", u"magnifying-glass.svg"},
    Entry{u"paperclip", u"paperclip.svg"},
    Entry{u"paperplane", u"paper-plane-tilt.svg"},
    Entry{u"person.crop.circle.badge.plus", u"user-circle-plus.svg"},
    Entry{u"square.and.pencil", u"note-pencil.svg"},
    Entry{u"star", u"star.svg"},
    Entry{u"tag", u"tag.svg"},
    Entry{u"trash", u"trash.svg"},
    Entry{u"tray", u"tray.svg"},
    Entry{u"xmark.circle.fill", u"x-circle-fill.svg"},
};

QString resource(const char16_t* file)
{
    return QStringLiteral(":/icons/") + QString::fromUtf16(file);
}

} // namespace

QString IconTable::path(const QString& symbol)
{
    for (const Entry& entry : s_table) {
        if (symbol == QStringView(entry.first))
            return resource(entry.second);
    }
    return {};
}

QStringList IconTable::symbols()
{
    QStringList names;
    names.reserve(qsizetype(s_table.size()));
    for (const Entry& entry : s_table)
        names.append(QString::fromUtf16(entry.first));
    return names;
}

QString IconTable::applicationIcon()
{
    return resource(u"vesk.svg");
}

} // namespace vesk
