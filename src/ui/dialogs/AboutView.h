#pragma once

#include <QWidget>

namespace vesk {

/// The about block of the settings window: the application tile beside the
/// product's name, what it is, and the version this build carries.
class AboutView final : public QWidget
{
    Q_OBJECT

public:
    explicit AboutView(QWidget* parent = nullptr);

    /// The version the build was made with; "1.0.0" when the build named none.
    static QString version();
};

} // namespace vesk
