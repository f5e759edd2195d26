#include "ui/composer/CompletionPopup.h"

#include "compose/AddressBook.h"
#include "ui/style/Brand.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextDocument>

namespace vesk {

namespace {

constexpr int rowHeight = 40;
constexpr int typedRole = Qt::UserRole + 1;
constexpr int addressRole = Qt::UserRole + 2;

bool isSeparator(QChar c)
{
    return c.isSpace() || c == u'.' || c == u'@' || c == u'-' || c == u'_';
}

/// Rich text of `text` with the words that start with a typed word in bold.
QString withTypedBold(const QString& text, const QStringList& typed)
{
    QString html;
    qsizetype start = 0;
    const QString folded = AddressBook::fold(text);
    // Folding keeps one character per character for the letters people
    // type; where it does not (rare ligatures), nothing is bold.
    const bool aligned = folded.size() == text.size();
    for (qsizetype at = 0; at <= text.size(); ++at) {
        const bool end = at == text.size();
        if (!end && !isSeparator(text.at(at)))
            continue;
        const QString word = text.mid(start, at - start);
        qsizetype bold = 0;
        for (const QString& part : typed) {
            if (aligned && folded.mid(start, at - start).startsWith(part))
                bold = std::max(bold, part.size());
        }
        html += QStringLiteral("<b>") + word.left(bold).toHtmlEscaped() + QStringLiteral("</b>") +
                word.mid(bold).toHtmlEscaped();
        if (!end)
            html += QString(text.at(at)).toHtmlEscaped();
        start = at + 1;
    }
    return html;
}

class ContactDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        painter->save();
        if (option.state & QStyle::State_Selected)
            painter->fillRect(option.rect, Brand::withOpacity(Brand::lightPurple, 0.28));
        const QRect text = option.rect.adjusted(12, 3, -12, -3);
        const QStringList typed = index.data(typedRole).toStringList();
        drawLine(painter, text.adjusted(0, 0, 0, -text.height() / 2),
                 withTypedBold(index.data(Qt::DisplayRole).toString(), typed), Brand::foreground,
                 12);
        drawLine(painter, text.adjusted(0, text.height() / 2, 0, 0),
                 withTypedBold(index.data(addressRole).toString(), typed), Brand::secondary(), 11);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return {option.rect.width(), rowHeight};
    }

private:
    static void drawLine(QPainter* painter, const QRect& rect, const QString& html,
                         const QColor& colour, int size)
    {
        QTextDocument document;
        document.setDocumentMargin(0);
        document.setDefaultFont(Brand::inter(size));
        document.setDefaultTextOption(QTextOption(Qt::AlignLeft | Qt::AlignVCenter));
        document.setHtml(html);
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette.setColor(QPalette::Text, colour);
        context.clip = QRectF(0, 0, rect.width(), rect.height());
        painter->save();
        painter->translate(rect.topLeft());
        painter->setClipRect(context.clip);
        document.documentLayout()->draw(painter, context);
        painter->restore();
    }
};

} // namespace

CompletionPopup::CompletionPopup(QWidget* parent)
    : QListWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setItemDelegate(new ContactDelegate(this));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAccessibleName(tr("Sugestões de endereços"));
    setStyleSheet(QStringLiteral("QListWidget { background: %1; border: 1px solid %2;"
                                 " border-radius: 8px; }")
                      .arg(Brand::css(Brand::cardDark),
                           Brand::css(Brand::withOpacity(Brand::lightPurple, 0.45))));
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const int row = this->row(item);
        if (row >= 0 && row < m_contacts.size())
            Q_EMIT chosen(m_contacts.at(row));
    });
}

void CompletionPopup::setContacts(const QList<Contact>& contacts, const QString& typed)
{
    m_contacts = contacts;
    clear();
    const QStringList words = AddressBook::words(AddressBook::fold(typed));
    for (const Contact& contact : contacts) {
        auto* item = new QListWidgetItem(contact.label(), this);
        item->setData(typedRole, words);
        item->setData(addressRole, contact.address);
        item->setToolTip(contact.entry());
    }
    setCurrentRow(contacts.isEmpty() ? -1 : 0);
    setFixedHeight(int(contacts.size()) * rowHeight + 2 * frameWidth());
}

void CompletionPopup::moveBy(int rows)
{
    if (m_contacts.isEmpty())
        return;
    const int count = int(m_contacts.size());
    setCurrentRow(((currentRow() + rows) % count + count) % count);
}

Contact CompletionPopup::current() const
{
    const int row = currentRow();
    return row >= 0 && row < m_contacts.size() ? m_contacts.at(row) : Contact{};
}

} // namespace vesk

#include "CompletionPopup.moc"
