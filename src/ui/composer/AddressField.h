#pragma once

#include "compose/Contact.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>

class QLineEdit;

namespace vesk {

class FlowLayout;

class AddressChip;
class CompletionPopup;

/// An address field (Para, Cc, Bcc): finished entries as chips, then the
/// entry being typed. Typing offers people from `complete` below the field;
/// Up and Down move, Enter or Tab take one. A comma, a semicolon or Enter
/// makes the typed text a chip, and so does leaving the field; Backspace in
/// an empty entry removes the last chip. Pasted lists become chips at once.
///
/// Its text is the entries joined by ", " (what the composer keeps and
/// sends), the one being typed last; `edited` tells each change the person
/// makes, setText() rebuilds the chips from such a text.
class AddressField final : public QWidget
{
    Q_OBJECT

public:
    /// The contacts to offer for what is typed; asked at each keystroke, so
    /// it must answer from memory.
    using Completer = std::function<QList<Contact>(const QString& typed)>;

    explicit AddressField(const QString& accessibleName, QWidget* parent = nullptr);
    ~AddressField() override;

    QString text() const;
    void setText(const QString& text);
    void clear() { setText(QString()); }
    void setCompleter(Completer complete);

    /// Where the keyboard goes: the entry being typed.
    QLineEdit* input() const { return m_input; }
    QList<AddressChip*> chips() const { return m_chips; }
    /// The offers, or null before the first; visible while offering.
    CompletionPopup* popup() const;

Q_SIGNALS:
    void edited(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleKey(QKeyEvent* key);
    void typed(const QString& text);
    /// Makes chips of the finished entries in `text`; what follows the last
    /// separator stays typed unless `all`.
    void commit(const QString& text, bool all);
    void addChip(const QString& entry);
    void removeLastChip();
    void take(const Contact& contact);
    void offer();
    void hidePopup();
    void placePopup();

    FlowLayout* m_layout;
    QLineEdit* m_input;
    QList<AddressChip*> m_chips;
    QPointer<CompletionPopup> m_popup;
    Completer m_complete;
};

} // namespace vesk
