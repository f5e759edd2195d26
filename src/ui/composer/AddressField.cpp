#include "ui/composer/AddressField.h"

#include "ui/composer/AddressChip.h"
#include "ui/composer/CompletionPopup.h"
#include "ui/style/Brand.h"
#include "ui/widgets/FlowLayout.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>

namespace vesk {

namespace {

/// A field's height: room for a line of its text and the frame, so that a
/// larger text size on the desktop never cuts the letters.
int fieldHeight()
{
    return qMax(30, QFontMetrics(Brand::inter(12)).height() + 14);
}
constexpr int shortestInput = 80;

/// The entries of typed text: split at commas and semicolons outside a
/// quoted name ("Silva, Ana" <a@x.pt>), keeping empty and blank pieces so
/// that the last one is what follows the last separator.
QStringList pieces(const QString& text)
{
    QStringList found;
    QString piece;
    bool quoted = false;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar c = text.at(at);
        if (quoted && c == u'\\' && at + 1 < text.size()) {
            piece += c;
            piece += text.at(++at);
            continue;
        }
        if (c == u'"')
            quoted = !quoted;
        if (!quoted && (c == u',' || c == u';')) {
            found.append(piece);
            piece.clear();
            continue;
        }
        piece += c;
    }
    found.append(piece);
    return found;
}

bool isEnter(const QKeyEvent* key)
{
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
           !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

} // namespace

AddressField::AddressField(const QString& accessibleName, QWidget* parent)
    : QWidget(parent)
    , m_layout(new FlowLayout(this))
    , m_input(new QLineEdit(this))
{
    // Chips wrap onto new lines: a reply to many grows the field
    // downwards, never the window sideways.
    m_layout->setStretchLast(true);
    m_layout->addWidget(m_input);
    m_input->setAccessibleName(accessibleName);
    m_input->setFont(Brand::inter(12));
    m_input->setFixedHeight(fieldHeight());
    m_input->setMinimumWidth(shortestInput);
    m_input->installEventFilter(this);
    setAccessibleName(accessibleName);
    setFocusProxy(m_input);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(m_input, &QLineEdit::textEdited, this, &AddressField::typed);
}

AddressField::~AddressField()
{
    // The list lives on the window, so that it can lie over the fields
    // below; it goes with the field it belongs to.
    delete m_popup.data();
}

QString AddressField::text() const
{
    QStringList entries;
    for (const AddressChip* chip : m_chips)
        entries.append(chip->entry());
    if (!m_input->text().trimmed().isEmpty())
        entries.append(m_input->text().trimmed());
    return entries.join(QStringLiteral(", "));
}

void AddressField::setText(const QString& text)
{
    for (AddressChip* chip : std::as_const(m_chips))
        delete chip;
    m_chips.clear();
    m_input->clear();
    hidePopup();
    commit(text, true);
}

CompletionPopup* AddressField::popup() const
{
    return m_popup;
}

void AddressField::setCompleter(Completer complete)
{
    m_complete = std::move(complete);
}

bool AddressField::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_input) {
        if (event->type() == QEvent::KeyPress && handleKey(static_cast<QKeyEvent*>(event)))
            return true;
        if (event->type() == QEvent::FocusOut) {
            hidePopup();
            // A half-typed entry is kept as typed, but is seen for what it is.
            if (!m_input->text().trimmed().isEmpty()) {
                commit(m_input->text(), true);
                Q_EMIT edited(text());
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool AddressField::handleKey(QKeyEvent* key)
{
    const bool offering = m_popup && m_popup->isVisible();
    if (offering) {
        if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up) {
            m_popup->moveBy(key->key() == Qt::Key_Down ? 1 : -1);
            return true;
        }
        if (isEnter(key) || (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier)) {
            take(m_popup->current());
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            hidePopup();
            return true;
        }
    }
    if (isEnter(key) && !m_input->text().trimmed().isEmpty()) {
        commit(m_input->text(), true);
        Q_EMIT edited(text());
        return true;
    }
    if (key->key() == Qt::Key_Backspace && m_input->text().isEmpty() && !m_chips.isEmpty()) {
        removeLastChip();
        return true;
    }
    if (key->matches(QKeySequence::Paste)) {
        // One address a line is a list too.
        QString pasted = QApplication::clipboard()->text();
        pasted.replace(u'\n', u',').replace(u'\r', u' ').replace(u'\t', u' ');
        m_input->insert(pasted);
        commit(m_input->text(), true);
        hidePopup();
        Q_EMIT edited(text());
        return true;
    }
    return false;
}

void AddressField::typed(const QString& text)
{
    if (pieces(text).size() > 1)
        commit(text, false);
    offer();
    Q_EMIT edited(this->text());
}

void AddressField::commit(const QString& text, bool all)
{
    QStringList entries = pieces(text);
    const QString rest = all ? QString() : entries.takeLast();
    for (const QString& entry : std::as_const(entries)) {
        if (!entry.trimmed().isEmpty())
            addChip(entry.trimmed());
    }
    // A blank entry before a separator is nothing to keep.
    m_input->setText(rest.trimmed().isEmpty() ? QString() : rest);
}

void AddressField::addChip(const QString& entry)
{
    auto* chip = new AddressChip(entry, this);
    m_layout->insertWidget(int(m_chips.size()), chip);
    m_chips.append(chip);
}

void AddressField::removeLastChip()
{
    delete m_chips.takeLast();
    Q_EMIT edited(text());
}

void AddressField::take(const Contact& contact)
{
    hidePopup();
    if (contact.address.isEmpty())
        return;
    m_input->clear();
    addChip(contact.entry());
    Q_EMIT edited(text());
}

void AddressField::offer()
{
    const QString typed = m_input->text().trimmed();
    const QList<Contact> found =
        m_complete && !typed.isEmpty() ? m_complete(typed) : QList<Contact>();
    if (found.isEmpty()) {
        hidePopup();
        return;
    }
    if (!m_popup) {
        m_popup = new CompletionPopup(window());
        connect(m_popup, &CompletionPopup::chosen, this, &AddressField::take);
    }
    m_popup->setContacts(found, typed);
    placePopup();
    m_popup->show();
    m_popup->raise();
}

void AddressField::hidePopup()
{
    if (m_popup)
        m_popup->hide();
}

void AddressField::placePopup()
{
    QWidget* top = window();
    // The composer may have moved to another window since the list was made.
    if (m_popup->parentWidget() != top)
        m_popup->setParent(top);
    const QPoint below = m_input->mapTo(top, QPoint(0, m_input->height() + 2));
    m_popup->move(below);
    m_popup->setFixedWidth(std::max(320, m_input->width()));
}

} // namespace vesk
