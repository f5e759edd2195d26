#pragma once

#include <QFrame>

class QLabel;

namespace vesk {

class PillButton;
class ToggleSwitch;

/// One linked account on the accounts sheet: name above email, the account's
/// "Notificações" switch and "Remover". It only reports what the user asked
/// for; the sheet carries it out.
class AccountCard final : public QFrame
{
    Q_OBJECT

public:
    explicit AccountCard(const QString& email, QWidget* parent = nullptr);

    const QString& email() const { return m_email; }
    /// Shows the name (the email when blank) and the switch's value, without
    /// announcing the switch.
    void present(const QString& name, bool notificationsEnabled);

Q_SIGNALS:
    void notificationsToggled(const QString& email, bool enabled);
    void removeRequested(const QString& email);

private:
    const QString m_email;
    QLabel* m_name;
    ToggleSwitch* m_notifications;
    PillButton* m_remove;
};

} // namespace vesk
