#pragma once

#include <QLabel>

namespace vesk {

/// One entry of an address field once it is complete: the name (or the
/// address) on a rounded tag, the whole mailbox in its tooltip. An entry
/// that is no mailbox shows in the error colour, with the reason as tooltip,
/// so it is seen before sending.
class AddressChip final : public QLabel
{
    Q_OBJECT

public:
    explicit AddressChip(QString entry, QWidget* parent = nullptr);

    /// As typed or completed, e.g. "Ana Silva <ana@x.pt>".
    const QString& entry() const { return m_entry; }
    bool isValid() const { return m_valid; }

private:
    QString m_entry;
    bool m_valid = false;
};

} // namespace vesk
