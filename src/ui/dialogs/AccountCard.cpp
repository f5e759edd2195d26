#include "ui/dialogs/AccountCard.h"

#include "ui/style/Brand.h"
#include "ui/widgets/PillButton.h"
#include "ui/widgets/ToggleSwitch.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vesk {

AccountCard::AccountCard(const QString& email, QWidget* parent)
    : QFrame(parent)
    , m_email(email)
    , m_name(new QLabel(this))
    , m_notifications(new ToggleSwitch(tr("Notificações"), this))
    , m_remove(new PillButton(tr("Remover"), false, this))
{
    setProperty(Brand::cardProperty, QLatin1String(Brand::messageCard));
    setObjectName(QStringLiteral("account:") + email);
    m_name->setTextFormat(Qt::PlainText);
    Brand::setText(m_name, Brand::inter(13, QFont::DemiBold), Brand::foreground);
    auto* address = new QLabel(email, this);
    address->setTextFormat(Qt::PlainText);
    Brand::setText(address, Brand::inter(11), Brand::secondary());

    // A destructive plain button: the pill's faint wash and label in red.
    QPalette p = m_remove->palette();
    p.setColor(QPalette::Active, QPalette::ButtonText, Brand::error);
    p.setColor(QPalette::Inactive, QPalette::ButtonText, Brand::error);
    m_remove->setPalette(p);
    m_notifications->setChecked(true);

    auto* names = new QVBoxLayout;
    names->setSpacing(2);
    names->addWidget(m_name);
    names->addWidget(address);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 10, 10, 10);
    layout->setSpacing(12);
    layout->addLayout(names, 1);
    layout->addWidget(m_notifications);
    layout->addWidget(m_remove);

    connect(m_notifications, &ToggleSwitch::toggled, this,
            [this](bool on) { Q_EMIT notificationsToggled(m_email, on); });
    connect(m_remove, &PillButton::clicked, this, [this] { Q_EMIT removeRequested(m_email); });
}

void AccountCard::present(const QString& name, bool notificationsEnabled)
{
    m_name->setText(name.trimmed().isEmpty() ? m_email : name);
    const QSignalBlocker quiet(m_notifications);
    m_notifications->setChecked(notificationsEnabled);
    m_notifications->update();
}

} // namespace vesk
