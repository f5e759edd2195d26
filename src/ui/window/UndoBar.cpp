#include "ui/window/UndoBar.h"

#include "app/UndoOffer.h"
#include "ui/style/Brand.h"
#include "ui/widgets/TextButton.h"

#include <QHBoxLayout>
#include <QLabel>

namespace vesk {

UndoBar::UndoBar(const UndoOffer& offer, QWidget* parent)
    : QWidget(parent)
    , m_offer(offer)
    , m_text(new QLabel(this))
    , m_undo(new TextButton(tr("Desfazer"), Brand::inter(12, QFont::DemiBold), this))
{
    setObjectName(QStringLiteral("undoBar"));
    setAttribute(Qt::WA_StyledBackground);
    // The brand's violet, faint: news of the person's own doing, not a problem.
    setStyleSheet(QStringLiteral("#undoBar { background: %1; border-top: 1px solid %2; }")
                      .arg(Brand::css(Brand::withOpacity(Brand::primary, 0.18)),
                           Brand::css(Brand::withOpacity(Brand::vivid, 0.35))));
    m_text->setTextFormat(Qt::PlainText);
    Brand::setText(m_text, Brand::inter(12), Brand::foreground);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 4, 8, 4);
    layout->setSpacing(12);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_undo, 0, Qt::AlignVCenter);
    connect(m_undo, &QPushButton::clicked, this, &UndoBar::undoRequested);
    connect(&m_offer, &UndoOffer::changed, this, &UndoBar::follow);
    follow();
}

QString UndoBar::text() const
{
    return m_text->text();
}

void UndoBar::follow()
{
    m_text->setText(m_offer.text());
    m_undo->setAccessibleDescription(m_offer.text());
    setVisible(!m_offer.text().isEmpty());
}

} // namespace vesk
