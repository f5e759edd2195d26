#include "ui/composer/ComposerHeader.h"

#include "ui/style/Brand.h"
#include "ui/widgets/PillButton.h"

#include <QHBoxLayout>
#include <QLabel>

namespace vesk {

ComposerHeader::ComposerHeader(const QString& title, QWidget* parent)
    : QWidget(parent)
    , m_title(new QLabel(title, this))
    , m_note(new QLabel(this))
    , m_close(new PillButton(tr("Fechar"), false, this))
{
    Brand::setText(m_title, Brand::sora(16, QFont::Bold), Brand::foreground);
    Brand::setText(m_note, Brand::inter(11), Brand::secondary());
    m_note->setTextFormat(Qt::PlainText);
    m_note->hide();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(12);
    layout->addWidget(m_title);
    layout->addStretch(1);
    layout->addWidget(m_note);
    layout->addWidget(m_close);
}

void ComposerHeader::setDraftNote(const QString& note)
{
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
}

} // namespace vesk
