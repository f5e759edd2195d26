#include "ui/reader/ReceivedAttachmentRow.h"

#include "app/AppState.h"
#include "ui/style/Brand.h"
#include "ui/style/Icons.h"
#include "ui/widgets/FireAndForget.h"
#include "ui/widgets/PillButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

namespace vesk {

ReceivedAttachmentRow::ReceivedAttachmentRow(AttachmentInfo attachment, AppState* state,
                                             QWidget* parent)
    : QWidget(parent)
    , m_attachment(std::move(attachment))
    , m_state(state)
    , m_save(new PillButton(tr("Guardar"), false, this))
{
    auto* clip = new QLabel(this);
    clip->setPixmap(Icons::pixmap(Symbol::Attachment, 16, Brand::lightPurple, devicePixelRatioF()));

    auto* name = new QLabel(m_attachment.filename, this);
    name->setTextFormat(Qt::PlainText);
    name->setObjectName(QStringLiteral("attachmentName"));
    Brand::setText(name, Brand::inter(12, QFont::DemiBold), Brand::foreground);
    // One line: a long name is elided by the layout giving it less room.
    name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    name->setMinimumWidth(60);
    auto* size = new QLabel(
        QLocale().formattedDataSize(m_attachment.size, 1, QLocale::DataSizeSIFormat), this);
    size->setObjectName(QStringLiteral("attachmentSize"));
    Brand::setText(size, Brand::inter(11), Brand::secondary());

    // Read as one thing, as it is seen; the button says whose it is.
    setAccessibleName(tr("Anexo %1, %2").arg(m_attachment.filename, size->text()));
    m_save->setAccessibleDescription(m_attachment.filename);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    texts->addWidget(name);
    texts->addWidget(size);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 2);
    layout->setSpacing(10);
    layout->addWidget(clip);
    layout->addLayout(texts, 1);
    layout->addWidget(m_save);

    // Without an account or a transfer manager there is nowhere to save from.
    m_save->setEnabled(m_state);
    connect(m_save, &PillButton::clicked, this, [this] {
        if (!m_downloading)
            fireAndForget(save());
    });
}

QCoro::Task<> ReceivedAttachmentRow::save()
{
    QPointer<ReceivedAttachmentRow> self(this);
    if (!m_state)
        co_return;
    setDownloading(true);
    co_await m_state->saveAttachment(m_attachment);
    if (self)
        setDownloading(false);
}

void ReceivedAttachmentRow::setDownloading(bool downloading)
{
    m_downloading = downloading;
    m_save->setText(downloading ? tr("A guardar") : tr("Guardar"));
    m_save->setEnabled(!downloading);
    m_save->updateGeometry();
}

} // namespace vesk
