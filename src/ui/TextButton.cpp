#include "TextButton.h"

#include "Brand.h"

namespace vesk {

namespace {

QString rgba(const QColor& colour)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(colour.red())
        .arg(colour.green())
        .arg(colour.blue())
        .arg(colour.alphaF());
}

} // namespace

TextButton::TextButton(const QString& text, const QFont& font, QWidget* parent)
    : QPushButton(text, parent)
{
    setFont(font);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // Fusion would draw a bevelled grey button; the style sheet leaves only
    // the text.
    setStyleSheet(
        QStringLiteral("QPushButton { color: %1; background: transparent; border: none; "
                       "padding: 0px; }\n"
                       "QPushButton:pressed { color: %2; }\n"
                       "QPushButton:focus { text-decoration: underline; }")
            .arg(rgba(Brand::lightPurple), rgba(Brand::withOpacity(Brand::lightPurple, 0.6))));
}

} // namespace vesk
