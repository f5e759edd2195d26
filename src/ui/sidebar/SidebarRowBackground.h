#pragma once

#include <QStyleOptionViewItem>

class QPainter;

namespace vesk::SidebarRowBackground {

/// The inset rounded rectangle a sidebar row occupies.
QRectF shape(const QStyleOptionViewItem& option);

/// The selected row's wash (primary at 18 %), a faint wash under the mouse,
/// and a ring around the keyboard's current row while the list has focus.
void paint(QPainter* painter, const QStyleOptionViewItem& option, bool highlighted);

} // namespace vesk::SidebarRowBackground
