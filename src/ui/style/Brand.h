#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

class QApplication;
class QWidget;

/// The interface's visual vocabulary: seven brand colours, the two typefaces
/// and the dark look built from them. Every view takes its colours and fonts
/// from here, so the whole program changes together. GUI thread only.
namespace vesk::Brand {

inline constexpr QColor primary{0x8A, 0x05, 0xBE};
inline constexpr QColor tile{0x82, 0x0A, 0xD1};
inline constexpr QColor lightPurple{0xB4, 0x4A, 0xE0};
inline constexpr QColor vivid{0xA8, 0x55, 0xF7};
inline constexpr QColor cardDark{0x17, 0x10, 0x29};
inline constexpr QColor error{0xF0, 0x52, 0x52};
inline constexpr QColor success{0x4A, 0xDE, 0x80};

/// The primary foreground: the same faintly violet white the mail documents
/// are set in, so text in widgets and in rendered mail match.
inline constexpr QColor foreground{0xF4, 0xF0, 0xFA};

/// The window and list backgrounds, darker shades of cardDark so that cards
/// drawn in cardDark stand out from what they lie on.
inline constexpr QColor window{0x10, 0x0B, 0x1D};
inline constexpr QColor base{0x0D, 0x09, 0x18};

/// The secondary text colour: the foreground at 60 % opacity.
QColor secondary();

/// The mark of the account at `position` in the sidebar, where every
/// account's mail is listed together: distinct hues that read on the dark
/// background, repeating after six accounts.
QColor accountColour(qsizetype position);

/// `colour` at `opacity` (0 to 1), keeping its hue.
QColor withOpacity(QColor colour, qreal opacity);

/// Titles: "Sora" at the design's `size` (pixels at 96 dots per inch), or the
/// default sans family when Sora is not installed. Set in points, so that it
/// follows the desktop's text scaling, and in proportion to the application
/// font, so that a larger body text enlarges every text with it.
QFont sora(int size, QFont::Weight weight = QFont::Normal);

/// All other text: "Inter", with the same fallback.
QFont inter(int size, QFont::Weight weight = QFont::Normal);

/// How much larger than designed text is drawn, the desktop's text scaling
/// (its logical dots per inch) and a larger application font together: the
/// zoom that makes mail pages, sized in CSS pixels, follow the window's text.
qreal textZoom();

/// A colour as style sheets take it, alpha included.
QString css(const QColor& colour);

/// The toolbars' look (the window's and the reader's): flat buttons that
/// show a wash on hover and a primary tint while pressed, over `background`.
QString toolbarStyleSheet(const QColor& background);

/// The dark palette of the whole application.
QPalette palette();

/// Rules for the few shapes a palette cannot express: cards and separators.
/// Widgets opt in through the dynamic properties `cardProperty` and
/// `separatorProperty`.
QString styleSheet();

/// Values of `cardProperty`: the message card, the translucent card of the
/// welcome screen and the faint panel of the transfers list.
inline constexpr char cardProperty[] = "veskCard";
inline constexpr char messageCard[] = "message";
inline constexpr char glassCard[] = "glass";
inline constexpr char panelCard[] = "panel";
inline constexpr char separatorProperty[] = "veskSeparator";

/// Gives `app` the palette, the style sheet and Inter 13 as its default font
/// (the size the other sizes are in proportion to).
void apply(QApplication& app);

/// Sets the font and the text colour of a label-like widget.
void setText(QWidget* widget, const QFont& font, const QColor& colour);

} // namespace vesk::Brand
