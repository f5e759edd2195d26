#include "ui/widgets/TextButton.h"

#include "ui/style/Brand.h"

namespace vesk {

TextButton::TextButton(const QString& text, const QFont& font, QWidget* parent)
    : QPushButton(text, parent)
{
    setFont(font);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // Fusion would draw a bevelled grey button; the style sheet leaves only
    // the text.
    setStyleSheet(QStringLiteral("QPushButton { color: %1; background: transparent; border: none; "
                                 "padding: 0px; }\n"
                                 "QPushButton:pressed { color: %2; }\n"
                                 "QPushButton:focus { text-decoration: underline; }")
                      .arg(Brand::css(Brand::lightPurple),
                           Brand::css(Brand::withOpacity(Brand::lightPurple, 0.6))));
}

} // namespace vesk
