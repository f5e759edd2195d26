#pragma once

#include "ui/welcome/StarField.h"

#include <QWidget>

namespace vesk {

/// The night sky behind the welcome screen: a violet gradient from top to
/// bottom with the star field over it. Children laid out on it are drawn over
/// the sky. The stars are computed again only when the size changes.
class StarFieldWidget final : public QWidget
{
    Q_OBJECT

public:
    explicit StarFieldWidget(QWidget* parent = nullptr);

    /// The stars as currently drawn, for the widget's present size.
    const QList<StarField::Star>& stars() const { return m_stars; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QList<StarField::Star> m_stars;
};

} // namespace vesk
