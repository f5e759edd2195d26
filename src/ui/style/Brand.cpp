#include "ui/style/Brand.h"

#include "ui/style/ScrollBarStyle.h"

#include <QApplication>
#include <QFontDatabase>
#include <QScreen>
#include <QStyleFactory>
#include <QWidget>

#include <array>

namespace vesk::Brand {

namespace {

// A family that is not installed falls back to the desktop's own sans, not
// to whatever fontconfig finds closest by name.
QStringList familiesFor(const QString& wanted)
{
    if (QFontDatabase::hasFamily(wanted))
        return {wanted};
    return {QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()};
}

const QStringList& interFamilies()
{
    static const QStringList s_families = familiesFor(QStringLiteral("Inter"));
    return s_families;
}

/// The body text's size, Inter 13 of the design, in points: 13 pixels at
/// the 96 dots per inch the design's pixels assume.
constexpr qreal s_bodyPoints = 13 * 72.0 / 96.0;

/// How much larger than designed the application's text is: the user's
/// choice of a larger body font. The desktop's own text scaling (its
/// logical dots per inch) needs nothing here, as sizes are in points.
qreal textScale()
{
    const qreal body = QApplication::font().pointSizeF();
    return body > 0 ? body / s_bodyPoints : 1.0;
}

QFont brandFont(const QStringList& families, qreal points, QFont::Weight weight)
{
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setWeight(weight);
    return font;
}

QFont scaledFont(const QStringList& families, int size, QFont::Weight weight)
{
    return brandFont(families, size * 72.0 / 96.0 * textScale(), weight);
}

} // namespace

QColor accountColour(qsizetype position)
{
    static constexpr std::array<QColor, 6> s_marks{
        QColor(0xA8, 0x55, 0xF7), QColor(0x2D, 0xD4, 0xBF), QColor(0xFB, 0xBF, 0x24),
        QColor(0xF4, 0x72, 0xB6), QColor(0x60, 0xA5, 0xFA), QColor(0xA3, 0xE6, 0x35),
    };
    return s_marks.at(size_t(qMax<qsizetype>(0, position)) % s_marks.size());
}

QColor withOpacity(QColor colour, qreal opacity)
{
    colour.setAlphaF(float(opacity));
    return colour;
}

QColor secondary()
{
    return withOpacity(foreground, 0.6);
}

QFont sora(int size, QFont::Weight weight)
{
    // Looked up once: the installed fonts do not change while the program runs.
    static const QStringList s_families = familiesFor(QStringLiteral("Sora"));
    return scaledFont(s_families, size, weight);
}

qreal textZoom()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return (dpi > 0 ? dpi / 96.0 : 1.0) * textScale();
}

QFont inter(int size, QFont::Weight weight)
{
    return scaledFont(interFamilies(), size, weight);
}

QPalette palette()
{
    QPalette p;
    const auto setBoth = [&p](QPalette::ColorRole role, const QColor& colour) {
        p.setColor(QPalette::Active, role, colour);
        p.setColor(QPalette::Inactive, role, colour);
    };
    setBoth(QPalette::Window, window);
    setBoth(QPalette::WindowText, foreground);
    setBoth(QPalette::Base, base);
    setBoth(QPalette::AlternateBase, cardDark);
    setBoth(QPalette::Text, foreground);
    setBoth(QPalette::PlaceholderText, withOpacity(foreground, 0.45));
    setBoth(QPalette::Button, cardDark);
    setBoth(QPalette::ButtonText, foreground);
    setBoth(QPalette::BrightText, Qt::white);
    setBoth(QPalette::Highlight, primary);
    setBoth(QPalette::HighlightedText, Qt::white);
    setBoth(QPalette::Link, lightPurple);
    setBoth(QPalette::LinkVisited, vivid);
    setBoth(QPalette::ToolTipBase, cardDark);
    setBoth(QPalette::ToolTipText, foreground);
    // The 3-D roles of Fusion's frames and handles, kept close to the
    // background so that borders read as faint lines rather than bevels.
    setBoth(QPalette::Light, cardDark.lighter(160));
    setBoth(QPalette::Midlight, cardDark.lighter(130));
    setBoth(QPalette::Mid, cardDark.lighter(115));
    setBoth(QPalette::Dark, base);
    setBoth(QPalette::Shadow, base.darker(150));

    // Active and inactive are the same above, so a second window (settings)
    // does not turn the main window's selection grey.
    const QColor disabledText = withOpacity(foreground, 0.35);
    p.setColor(QPalette::Disabled, QPalette::Window, window);
    p.setColor(QPalette::Disabled, QPalette::Base, base);
    p.setColor(QPalette::Disabled, QPalette::Button, cardDark);
    p.setColor(QPalette::Disabled, QPalette::WindowText, disabledText);
    p.setColor(QPalette::Disabled, QPalette::Text, disabledText);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, disabledText);
    p.setColor(QPalette::Disabled, QPalette::PlaceholderText, disabledText);
    p.setColor(QPalette::Disabled, QPalette::Highlight, withOpacity(primary, 0.4));
    p.setColor(QPalette::Disabled, QPalette::HighlightedText, disabledText);
    return p;
}

QString css(const QColor& colour)
{
    return colour.name(QColor::HexArgb);
}

QString toolbarStyleSheet(const QColor& background)
{
    return QStringLiteral("QToolBar { background: %1; border: none; border-bottom: 1px solid %2;"
                          " padding: 6px 12px; spacing: 6px; }\n"
                          "QToolButton { color: %3; border: none; border-radius: 8px;"
                          " padding: 5px 10px; }\n"
                          "QToolButton:hover { background: %4; }\n"
                          "QToolButton:pressed, QToolButton:checked { background: %5; }\n"
                          "QToolButton:disabled { color: %6; }\n"
                          // Toolbar buttons take focus from Tab only: the ring
                          // marks where the keyboard is. Padding makes room for it.
                          "QToolButton:focus { border: 2px solid %7; padding: 3px 8px; }\n")
        .arg(css(background), css(withOpacity(foreground, 0.08)), css(foreground),
             css(withOpacity(foreground, 0.08)), css(withOpacity(primary, 0.35)),
             css(withOpacity(foreground, 0.35)), css(lightPurple));
}

QString styleSheet()
{
    const QString card = QLatin1String(cardProperty);
    return QStringLiteral("QFrame[%1=\"%2\"] { background-color: %3; border-radius: 14px; }\n"
                          "QFrame[%1=\"%4\"] { background-color: %5; border-radius: 16px; }\n"
                          "QFrame[%1=\"%6\"] { background-color: %7; border-radius: 10px; }\n"
                          "QFrame[%8=\"true\"] { background-color: %9; border: none; "
                          "min-height: 1px; max-height: 1px; }\n")
        .arg(card, QLatin1String(messageCard), css(withOpacity(cardDark, 0.55)),
             QLatin1String(glassCard), css(withOpacity(Qt::white, 0.08)), QLatin1String(panelCard),
             css(withOpacity(foreground, 0.05)), QLatin1String(separatorProperty),
             css(withOpacity(foreground, 0.1)));
}

void apply(QApplication& app)
{
    // Fusion draws every control from the palette, so the dark look is the
    // same whatever desktop theme the user runs; the scroll bars are the
    // brand's own over it.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(new ScrollBarStyle(fusion));
    QApplication::setPalette(palette());
    // At the designed size, whatever font the platform set before: the
    // brand's sizes are taken relative to this one.
    QApplication::setFont(brandFont(interFamilies(), s_bodyPoints, QFont::Normal));
    app.setStyleSheet(styleSheet());
}

void setText(QWidget* widget, const QFont& font, const QColor& colour)
{
    widget->setFont(font);
    QPalette p = widget->palette();
    p.setColor(QPalette::Active, QPalette::WindowText, colour);
    p.setColor(QPalette::Inactive, QPalette::WindowText, colour);
    p.setColor(QPalette::Active, QPalette::Text, colour);
    p.setColor(QPalette::Inactive, QPalette::Text, colour);
    widget->setPalette(p);
}

} // namespace vesk::Brand
