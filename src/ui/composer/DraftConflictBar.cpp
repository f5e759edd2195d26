#include "ui/composer/DraftConflictBar.h"

#include "ui/style/Brand.h"
#include "ui/widgets/PillButton.h"

#include <QHBoxLayout>
#include <QLabel>

namespace vesk {

DraftConflictBar::DraftConflictBar(QWidget* parent)
    : QWidget(parent)
    , m_keep(new PillButton(tr("Manter esta versão"), true, this))
    , m_takeOther(new PillButton(tr("Usar a outra versão"), false, this))
{
    setObjectName(QStringLiteral("draftConflictBar"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#draftConflictBar { background: %1; }")
                      .arg(Brand::css(Brand::withOpacity(Brand::error, 0.12))));
    auto* text = new QLabel(tr("Este rascunho foi alterado noutro lado (noutro dispositivo ou "
                               "no Gmail) depois de o abrir aqui. Escolha a versão a manter."),
                            this);
    text->setWordWrap(true);
    Brand::setText(text, Brand::inter(12), Brand::foreground);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 8, 12, 8);
    layout->setSpacing(10);
    layout->addWidget(text, 1);
    layout->addWidget(m_takeOther);
    layout->addWidget(m_keep);
}

} // namespace vesk
