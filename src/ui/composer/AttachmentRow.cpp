#include "ui/composer/AttachmentRow.h"

#include "compose/OutgoingAttachment.h"
#include "ui/style/Brand.h"
#include "ui/style/Icons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QToolButton>

namespace vesk {

AttachmentRow::AttachmentRow(const OutgoingAttachment& attachment, QWidget* parent)
    : QWidget(parent)
    , m_remove(new QToolButton(this))
{
    auto* clip = new QLabel(this);
    clip->setPixmap(Icons::icon(Symbol::Attachment, Brand::secondary()).pixmap(14, 14));
    auto* name = new QLabel(this);
    name->setTextFormat(Qt::PlainText);
    Brand::setText(name, Brand::inter(12), Brand::foreground);
    // One line: a long name is elided in the middle, keeping its extension.
    name->setText(name->fontMetrics().elidedText(attachment.filename, Qt::ElideMiddle, 360));
    name->setToolTip(attachment.filename);
    auto* size = new QLabel(sizeText(attachment.data.size()), this);
    Brand::setText(size, Brand::inter(11), Brand::secondary());

    m_remove->setIcon(Icons::icon(Symbol::Remove, Brand::secondary()));
    m_remove->setIconSize(QSize(15, 15));
    m_remove->setAutoRaise(true);
    m_remove->setCursor(Qt::PointingHandCursor);
    m_remove->setToolTip(tr("Remover"));
    // A symbol alone: the name says what it removes.
    m_remove->setAccessibleName(tr("Remover %1").arg(attachment.filename));
    m_remove->setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Anexo %1, %2").arg(attachment.filename, size->text()));
    m_remove->setStyleSheet(
        QStringLiteral("QToolButton { border: none; background: transparent; }"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(clip);
    layout->addWidget(name);
    layout->addWidget(size);
    layout->addWidget(m_remove);
    layout->addStretch(1);

    connect(m_remove, &QToolButton::clicked, this, &AttachmentRow::removeClicked);
}

QString AttachmentRow::sizeText(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

} // namespace vesk
