#include "ui/reader/MessageCard.h"

#include "app/AppState.h"
#include "compose/MIMEBuilder.h"
#include "gmail/WireRecords.h"
#include "model/SnippetText.h"
#include "ui/reader/ReceivedAttachmentRow.h"
#include "ui/reader/web/HtmlMessageView.h"
#include "ui/style/Brand.h"
#include "ui/widgets/FireAndForget.h"
#include "ui/widgets/PillButton.h"
#include "ui/widgets/SpokenText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

namespace vesk {

namespace {

constexpr int avatarSide = 32;

QLabel* avatar(const QString& sender, QWidget* parent)
{
    // A character outside the BMP is two UTF-16 units; half of one would
    // draw as a replacement box.
    const qsizetype length = !sender.isEmpty() && sender.front().isHighSurrogate() ? 2 : 1;
    auto* label = new QLabel(sender.left(length).toUpper(), parent);
    label->setObjectName(QStringLiteral("avatar"));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setFixedSize(avatarSide, avatarSide);
    label->setFont(Brand::inter(13, QFont::Bold));
    label->setStyleSheet(QStringLiteral("QLabel { background-color: %1; color: white;"
                                        " border-radius: %2px; }")
                             .arg(Brand::tile.name())
                             .arg(avatarSide / 2));
    return label;
}

QLabel* plainLabel(const QString& text, const QFont& font, const QColor& colour, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    Brand::setText(label, font, colour);
    return label;
}

} // namespace

MessageCard::MessageCard(const FullMessage& message, AppState* state, MessageWebProfile& web,
                         QWidget* parent)
    : QFrame(parent)
    , m_messageId(message.id)
{
    setProperty(Brand::cardProperty, QLatin1String(Brand::messageCard));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(8);
    layout->addWidget(header(message));
    if (state && message.labelIds.contains(QStringLiteral("DRAFT"))) {
        m_continue = new PillButton(tr("Continuar a escrever"), true, this);
        const QString id = message.id;
        connect(m_continue, &PillButton::clicked, this,
                [state, id] { fireAndForget(state->continueDraft(id)); });
        layout->addWidget(m_continue, 0, Qt::AlignLeft);
    }

    if (message.html) {
        addHtmlBody(*message.html, web);
    } else {
        m_body = plainLabel(bodyText(message), Brand::inter(13), Brand::foreground, this);
        m_body->setObjectName(QStringLiteral("messageBody"));
        m_body->setWordWrap(true);
        m_body->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        m_body->setCursor(Qt::IBeamCursor);
        layout->addWidget(m_body);
    }

    if (message.attachments.isEmpty())
        return;
    auto* divider = new QFrame(this);
    divider->setProperty(Brand::separatorProperty, true);
    layout->addWidget(divider);
    for (const AttachmentInfo& attachment : message.attachments) {
        auto* row = new ReceivedAttachmentRow(attachment, state, this);
        m_attachmentRows.append(row);
        layout->addWidget(row);
    }
}

void MessageCard::addHtmlBody(const QString& html, MessageWebProfile& web)
{
    m_html = html;
    // Above the body: a long newsletter would push it out of sight.
    m_showImages = new PillButton(tr("Mostrar imagens desta mensagem"), false, this);
    connect(m_showImages, &PillButton::clicked, this, &MessageCard::showImages);
    layout()->addWidget(m_showImages);
    layout()->setAlignment(m_showImages, Qt::AlignLeft);

    m_htmlView = new HtmlMessageView(web, m_messageId, this);
    connect(m_htmlView, &HtmlMessageView::linkActivated, this, &MessageCard::linkActivated);
    m_htmlView->setContent(m_html, m_imagesShown);
    layout()->addWidget(m_htmlView);
}

void MessageCard::showImages()
{
    if (m_imagesShown || !m_htmlView)
        return;
    m_imagesShown = true;
    m_htmlView->setContent(m_html, true);
    // Focus would otherwise fall to wherever Qt picks next.
    if (m_showImages->hasFocus())
        m_htmlView->setFocus();
    m_showImages->deleteLater();
    m_showImages = nullptr;
}

QString MessageCard::senderText(const FullMessage& message)
{
    return message.fromName.isEmpty() ? message.fromEmail : message.fromName;
}

QString MessageCard::recipientsText(const QString& to)
{
    // Google hands the header over decoded, so a name may carry a bare comma
    // ("Silva, Ana <ana@x.pt>"); a piece without an address belongs to the
    // next one.
    QStringList names;
    QString pending;
    for (const QString& piece : MIMEBuilder::splitAddresses(to)) {
        const QString entry = pending.isEmpty() ? piece : pending + QStringLiteral(", ") + piece;
        if (!piece.contains(u'@')) {
            pending = entry;
            continue;
        }
        pending.clear();
        const auto [name, address] = parseAddress(entry);
        names.append(name.isEmpty() ? address : name);
    }
    if (!pending.isEmpty())
        names.append(pending);
    return names.join(QStringLiteral(", "));
}

QString MessageCard::bodyText(const FullMessage& message)
{
    if (message.plainText)
        return *message.plainText;
    return snippetDisplayText(message.snippet);
}

QWidget* MessageCard::header(const FullMessage& message)
{
    auto* header = new QWidget(this);
    const QString sender = senderText(message);

    auto* name = plainLabel(sender, Brand::inter(13, QFont::DemiBold), Brand::foreground, header);
    name->setObjectName(QStringLiteral("sender"));
    auto* to = plainLabel(tr("para %1").arg(recipientsText(message.to)), Brand::inter(11),
                          Brand::secondary(), header);
    to->setToolTip(message.to);
    to->setObjectName(QStringLiteral("recipients"));
    to->setWordWrap(true);
    auto* names = new QVBoxLayout;
    names->setSpacing(1);
    names->addWidget(name);
    names->addWidget(to);

    const QDate day = message.date.toLocalTime().date();
    // The card is read by its header, as it is seen; the body follows inside.
    setAccessibleName(SpokenText::join({tr("Mensagem de %1").arg(sender), to->text(),
                                        SpokenText::date(day, QDate::currentDate())}));
    auto* date =
        plainLabel(day.isValid() ? QLocale().toString(day, QLocale::ShortFormat) : QString(),
                   Brand::inter(11), Brand::secondary(), header);
    date->setObjectName(QStringLiteral("date"));

    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->addWidget(avatar(sender, header), 0, Qt::AlignTop);
    row->addLayout(names, 1);
    row->addWidget(date, 0, Qt::AlignTop);
    return header;
}

} // namespace vesk
