#include "ui/reader/ReaderPlaceholder.h"

#include "ui/style/Brand.h"
#include "ui/style/Icons.h"

#include <QLabel>
#include <QVBoxLayout>

namespace vesk {

ReaderPlaceholder::ReaderPlaceholder(QWidget* parent)
    : QWidget(parent)
{
    auto* glyph = new QLabel(this);
    glyph->setPixmap(Icons::pixmap(Symbol::Envelope, 34, Brand::secondary(), devicePixelRatioF()));
    glyph->setAlignment(Qt::AlignHCenter);
    auto* text = new QLabel(tr("Escolhe uma conversa para ler."), this);
    text->setAlignment(Qt::AlignHCenter);
    Brand::setText(text, Brand::inter(13), Brand::secondary());

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    layout->addStretch(1);
    layout->addWidget(glyph);
    layout->addWidget(text);
    layout->addStretch(1);
}

} // namespace vesk
