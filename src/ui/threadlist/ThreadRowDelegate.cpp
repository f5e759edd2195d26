#include "ui/threadlist/ThreadRowDelegate.h"

#include "ui/style/Brand.h"
#include "ui/style/CachedShape.h"
#include "ui/style/Icons.h"
#include "ui/threadlist/ThreadListModel.h"
#include "ui/widgets/ElidedTextLayout.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QStringList>

#include <memory>

namespace vesk {

namespace {

constexpr int s_insetX = 8;    // the selection card inside the column
constexpr int s_insetY = 2;    // between two cards
constexpr int s_paddingX = 12; // text inside the card
constexpr int s_paddingY = 4 + 4;
constexpr int s_lineGap = 3;
constexpr int s_dotSize = 8;
constexpr int s_dotGap = 6;
constexpr int s_starSize = 16;
constexpr int s_markWidth = 3;
constexpr int s_starMargin = 4; // more room for the click than the glyph takes

QFont participantsFont(bool unread)
{
    return Brand::inter(13, unread ? QFont::Bold : QFont::DemiBold);
}

QFont subjectFont(bool unread)
{
    return Brand::inter(13, unread ? QFont::DemiBold : QFont::Normal);
}

/// For the row's secondary texts. Shaping (kerning, ligatures) is most of
/// what laying out a row costs, and a scroll lays out a screenful of new rows
/// per frame; at these sizes and in grey it shows little. Scripts that need
/// shaping to be read at all are shaped still.
QFont unshaped(QFont font)
{
    font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
    return font;
}

QFont snippetFont()
{
    return unshaped(Brand::inter(12));
}

QFont dateFont()
{
    return unshaped(Brand::inter(11));
}

QFont countFont()
{
    return unshaped(Brand::inter(10));
}

int lineHeight(const QFont& font)
{
    return QFontMetrics(font).height();
}

} // namespace

QString ThreadRowDelegate::dateText(const QDateTime& date)
{
    if (!date.isValid())
        return {};
    return QLocale().toString(date.date(), QLocale::ShortFormat);
}

QString ThreadRowDelegate::countText(int messages)
{
    return messages >= 2 ? tr("%n mensagens", nullptr, messages) : QString();
}

int ThreadRowDelegate::rowHeight()
{
    return 2 * s_insetY + 2 * s_paddingY + lineHeight(participantsFont(true)) + s_lineGap +
           lineHeight(subjectFont(true)) + s_lineGap + 2 * lineHeight(snippetFont()) + s_lineGap +
           lineHeight(countFont());
}

QRect ThreadRowDelegate::starArea(const QRect& row)
{
    const int right = row.right() - s_insetX - s_paddingX;
    const int subjectTop =
        row.top() + s_insetY + s_paddingY + lineHeight(participantsFont(true)) + s_lineGap;
    const int centreY = subjectTop + lineHeight(subjectFont(true)) / 2;
    const QRect glyph(right + 1 - s_starSize, centreY - s_starSize / 2, s_starSize, s_starSize);
    return glyph.adjusted(-s_starMargin, -s_starMargin, s_starMargin, s_starMargin);
}

const QPixmap& ThreadRowDelegate::star(StarLook look, qreal devicePixelRatio) const
{
    QPixmap& cached = m_stars.at(size_t(look));
    if (cached.isNull() || !qFuzzyCompare(cached.devicePixelRatio(), devicePixelRatio)) {
        // Filled in the brand's violet; the outline only hints where to
        // click until the pointer is over the row.
        const QColor tint = look == StarLook::Filled ? Brand::vivid
                            : look == StarLook::Outline
                                ? Brand::secondary()
                                : Brand::withOpacity(Brand::foreground, 0.22);
        cached = Icons::pixmap(look == StarLook::Filled ? Symbol::StarredFilled : Symbol::Starred,
                               s_starSize, tint, devicePixelRatio);
    }
    return cached;
}

void ThreadRowDelegate::paintStar(QPainter* painter, const QStyleOptionViewItem& option,
                                  bool starred) const
{
    const StarLook look = starred                                  ? StarLook::Filled
                          : option.state & QStyle::State_MouseOver ? StarLook::Outline
                                                                   : StarLook::Faint;
    const QRect glyph =
        starArea(option.rect).adjusted(s_starMargin, s_starMargin, -s_starMargin, -s_starMargin);
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    painter->drawPixmap(glyph, star(look, ratio));
}

void ThreadRowDelegate::paintAccountMark(QPainter* painter, const QStyleOptionViewItem& option,
                                         const QVariant& colour)
{
    if (!colour.isValid())
        return;
    // A slim bar in the card's margin, clear of the unread dot and the text.
    const QRectF card = QRectF(option.rect).adjusted(s_insetX, s_insetY, -s_insetX, -s_insetY);
    const QRectF bar(card.left() + 4, card.top() + s_paddingY, s_markWidth,
                     card.height() - 2 * s_paddingY);
    CachedShape::fillRounded(painter, bar, s_markWidth / 2.0, colour.value<QColor>());
}

QSize ThreadRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return {option.rect.width() > 0 ? option.rect.width() : 300, rowHeight()};
}

void ThreadRowDelegate::paintBackground(QPainter* painter, const QStyleOptionViewItem& option) const
{
    const QRectF card = QRectF(option.rect).adjusted(s_insetX, s_insetY, -s_insetX, -s_insetY);
    QColor fill = Qt::transparent;
    if (option.state & QStyle::State_Selected)
        fill =
            Brand::withOpacity(Brand::primary, option.state & QStyle::State_Active ? 0.32 : 0.22);
    else if (option.state & QStyle::State_MouseOver)
        fill = Brand::withOpacity(Brand::foreground, 0.06);
    if (fill.alpha() > 0) {
        CachedShape::fillRounded(painter, card, 8, fill);
        return;
    }
    // A hairline between unselected rows keeps long lists readable. Filled,
    // not stroked: a stroked line goes through the raster engine's threaded
    // path, and each row rendered made the GUI thread wait for a pool
    // thread, which on a busy machine took milliseconds.
    const QRectF hairline(card.left() + s_paddingX, option.rect.bottom(),
                          card.width() - 2 * s_paddingX, 1);
    painter->fillRect(hairline, Brand::withOpacity(Brand::foreground, 0.07));
}

void ThreadRowDelegate::paintFocus(QPainter* painter, const QStyleOptionViewItem& option)
{
    // The row the keyboard is on, when the list has the keyboard: selection
    // and current row part under Ctrl and Shift, and both must be seen.
    if (!(option.state & QStyle::State_HasFocus) || !(option.state & QStyle::State_Active))
        return;
    const QRectF card = QRectF(option.rect).adjusted(s_insetX, s_insetY, -s_insetX, -s_insetY);
    CachedShape::strokeRounded(painter, card, 8, Brand::lightPurple, 1.5);
}

QString ThreadRowDelegate::rowKey(const QStyleOptionViewItem& option, const QModelIndex& index,
                                  qreal devicePixelRatio)
{
    const QStyle::State shown = option.state & (QStyle::State_Selected | QStyle::State_MouseOver |
                                                QStyle::State_HasFocus | QStyle::State_Active);
    const auto text = [&index](int role) { return index.data(role).toString(); };
    // Unit separators cannot occur in what Gmail's texts become here.
    return QStringList{text(ThreadListModel::ParticipantsRole),
                       text(ThreadListModel::SubjectRole),
                       text(ThreadListModel::SnippetRole),
                       text(ThreadListModel::DateRole),
                       text(ThreadListModel::IsUnreadRole),
                       text(ThreadListModel::IsStarredRole),
                       text(ThreadListModel::MessageCountRole),
                       index.data(ThreadListModel::AccountColourRole).value<QColor>().name(),
                       QString::number(int(shown)),
                       QString::number(option.rect.width()),
                       QString::number(option.rect.height()),
                       QString::number(devicePixelRatio)}
        .join(QChar(0x1f));
}

QPixmap ThreadRowDelegate::render(const QStyleOptionViewItem& option, const QModelIndex& index,
                                  qreal devicePixelRatio) const
{
    QPixmap pixmap(option.rect.size() * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    // On the list's own background, as the row is painted directly: text
    // drawn on a transparent picture is smoothed otherwise, and a row would
    // change its look when it comes back from being kept.
    pixmap.fill(option.palette.color(QPalette::Base));
    QStyleOptionViewItem atOrigin(option);
    atOrigin.rect.moveTopLeft(QPoint(0, 0));
    QPainter painter(&pixmap);
    paintRow(&painter, atOrigin, index);
    return pixmap;
}

bool ThreadRowDelegate::prepare(const QStyleOptionViewItem& option, const QModelIndex& index,
                                qreal devicePixelRatio) const
{
    if (option.rect.isEmpty())
        return false;
    const QString key = rowKey(option, index, devicePixelRatio);
    if (m_rows.contains(key))
        return false;
    auto pixmap = std::make_unique<QPixmap>(render(option, index, devicePixelRatio));
    const qsizetype kib = qsizetype(pixmap->width()) * pixmap->height() * 4 / 1024 + 1;
    // A row larger than the whole cache is not kept (the cache frees it).
    m_rows.insert(key, pixmap.release(), kib);
    return true;
}

void ThreadRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    // Laying out a row's texts is most of what a scroll costs: the list has
    // the rows in and near its view rendered while it is idle, and those
    // come back as a copy. A row not rendered yet is painted directly, which
    // costs less than rendering it to keep.
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    if (const QPixmap* row = m_rows.object(rowKey(option, index, ratio))) {
        painter->drawPixmap(option.rect.topLeft(), *row);
        return;
    }
    paintRow(painter, option, index);
}

void ThreadRowDelegate::paintRow(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    paintBackground(painter, option);
    paintFocus(painter, option);
    paintAccountMark(painter, option, index.data(ThreadListModel::AccountColourRole));

    const bool unread = index.data(ThreadListModel::IsUnreadRole).toBool();
    const QRect text = option.rect.adjusted(s_insetX + s_paddingX, s_insetY + s_paddingY,
                                            -(s_insetX + s_paddingX), -(s_insetY + s_paddingY));
    int y = text.top();

    // First line: dot, participants, and the date at the trailing end.
    const int firstHeight = lineHeight(participantsFont(unread));
    int left = text.left();
    if (unread) {
        const QRectF dot(left, y + (firstHeight - s_dotSize) / 2.0, s_dotSize, s_dotSize);
        painter->setPen(Qt::NoPen);
        painter->setBrush(Brand::primary);
        painter->drawEllipse(dot);
        left += s_dotSize + s_dotGap;
    }
    const QRectF firstLine(left, y, text.right() + 1 - left, firstHeight);
    const ElidedTextLayout date(dateText(index.data(ThreadListModel::DateRole).toDateTime()),
                                dateFont(), firstLine.width());
    painter->setPen(Brand::secondary());
    date.draw(painter, firstLine, Qt::AlignRight);
    const qreal dateSpace = date.naturalWidth() > 0 ? date.naturalWidth() + s_dotGap : 0;
    painter->setPen(Brand::foreground);
    ElidedTextLayout(index.data(ThreadListModel::ParticipantsRole).toString().simplified(),
                     participantsFont(unread), firstLine.width() - dateSpace)
        .draw(painter, firstLine);
    y += firstHeight + s_lineGap;

    // Subject, and the star at its end.
    const QFont subject = subjectFont(unread);
    const int subjectWidth = text.width() - s_starSize - s_dotGap;
    ElidedTextLayout(index.data(ThreadListModel::SubjectRole).toString().simplified(), subject,
                     subjectWidth)
        .draw(painter, QRectF(text.left(), y, subjectWidth, lineHeight(subject)));
    paintStar(painter, option, index.data(ThreadListModel::IsStarredRole).toBool());
    y += lineHeight(subject) + s_lineGap;

    // Snippet, two lines at most.
    painter->setPen(Brand::secondary());
    ElidedTextLayout(index.data(ThreadListModel::SnippetRole).toString().simplified(),
                     snippetFont(), text.width(), 2)
        .draw(painter, QRectF(text.left(), y, text.width(), 2 * lineHeight(snippetFont())),
              Qt::AlignLeft | Qt::AlignTop);
    y += 2 * lineHeight(snippetFont()) + s_lineGap;

    // The count, only for conversations.
    const QString count = countText(index.data(ThreadListModel::MessageCountRole).toInt());
    if (!count.isEmpty()) {
        ElidedTextLayout(count, countFont(), text.width())
            .draw(painter, QRectF(text.left(), y, text.width(), lineHeight(countFont())));
    }
    painter->restore();
}

} // namespace vesk
