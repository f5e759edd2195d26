#pragma once

#include <QPushButton>

namespace vesk {

/// A plain text button: the label alone, in `lightPurple`, no frame and no
/// fill; dimmed while pressed. For the small actions beside a list.
class TextButton final : public QPushButton
{
    Q_OBJECT

public:
    TextButton(const QString& text, const QFont& font, QWidget* parent = nullptr);
};

} // namespace vesk
