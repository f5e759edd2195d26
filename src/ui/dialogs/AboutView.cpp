#include "ui/dialogs/AboutView.h"

#include "ui/style/Brand.h"
#include "ui/style/Icons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace vesk {

namespace {

QLabel* line(const QString& text, const QFont& font, const QColor& colour, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    Brand::setText(label, font, colour);
    return label;
}

} // namespace

AboutView::AboutView(QWidget* parent)
    : QWidget(parent)
{
    // The application icon is the about tile itself: the brand tile with the
    // white envelope, 48 points with a 22-point glyph.
    constexpr int tileSide = 48;
    auto* tile = new QLabel(this);
    tile->setPixmap(
        Icons::applicationIcon().pixmap(QSize(tileSide, tileSide), devicePixelRatioF()));
    tile->setFixedSize(tileSide, tileSide);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(
        line(QStringLiteral("VESK"), Brand::sora(17, QFont::Bold), Brand::foreground, this));
    texts->addWidget(
        line(tr("Cliente de Gmail nativo para Linux"), Brand::inter(12), Brand::secondary(), this));
    texts->addWidget(
        line(tr("Versão %1").arg(version()), Brand::inter(12), Brand::secondary(), this));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(tile, 0, Qt::AlignVCenter);
    layout->addLayout(texts);
    layout->setAlignment(texts, Qt::AlignVCenter);
    layout->addStretch(1);
    // A block of fixed height: extra room goes around it, not between its lines.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
}

QString AboutView::version()
{
    const QString built = QStringLiteral(VESK_VERSION);
    return built.isEmpty() ? QStringLiteral("1.0.0") : built;
}

} // namespace vesk
