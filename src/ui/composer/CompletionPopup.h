#pragma once

#include "compose/Contact.h"

#include <QList>
#include <QListWidget>

namespace vesk {

/// The people offered while an address is typed, one row each with the
/// name over the address, the part typed in bold. Never takes the keyboard:
/// the field it completes moves through it (moveBy) and takes the current
/// row, and a click takes a row too (chosen).
class CompletionPopup final : public QListWidget
{
    Q_OBJECT

public:
    explicit CompletionPopup(QWidget* parent = nullptr);

    /// Shows these contacts, the first highlighted, with the typed words bold.
    void setContacts(const QList<Contact>& contacts, const QString& typed);
    const QList<Contact>& contacts() const { return m_contacts; }
    /// Moves the highlight by `rows`, wrapping around.
    void moveBy(int rows);
    /// The highlighted contact; only while contacts() is not empty.
    Contact current() const;

Q_SIGNALS:
    void chosen(const vesk::Contact& contact);

private:
    QList<Contact> m_contacts;
};

} // namespace vesk
