#include "ui/composer/AddressChip.h"

#include "compose/OutgoingAddress.h"
#include "ui/style/Brand.h"

namespace vesk {

namespace {

QString chipStyle(const QColor& text, const QColor& fill, const QColor& border)
{
    return QStringLiteral("QLabel { color: %1; background: %2; border: 1px solid %3;"
                          " border-radius: 10px; padding: 1px 8px; }")
        .arg(Brand::css(text), Brand::css(fill), Brand::css(border));
}

} // namespace

AddressChip::AddressChip(QString entry, QWidget* parent)
    : QLabel(parent)
    , m_entry(std::move(entry))
{
    setTextFormat(Qt::PlainText);
    setFont(Brand::inter(12));
    setFocusPolicy(Qt::NoFocus);
    setFixedHeight(22);
    const std::optional<OutgoingAddress> mailbox = OutgoingAddress::parse(m_entry);
    m_valid = mailbox.has_value();
    setAccessibleName(m_entry);
    if (!mailbox) {
        setText(m_entry.trimmed());
        setToolTip(tr("%1 não é um endereço válido: %2")
                       .arg(m_entry.trimmed(), OutgoingAddress::problem(m_entry)));
        setStyleSheet(
            chipStyle(Brand::error, Brand::withOpacity(Brand::error, 0.16), Brand::error));
        return;
    }
    setText(mailbox->name.isEmpty() ? mailbox->address : mailbox->name);
    setToolTip(mailbox->name.isEmpty()
                   ? mailbox->address
                   : mailbox->name + QStringLiteral(" <") + mailbox->address + u'>');
    setStyleSheet(chipStyle(Brand::foreground, Brand::withOpacity(Brand::lightPurple, 0.22),
                            Brand::withOpacity(Brand::lightPurple, 0.45)));
}

} // namespace vesk
