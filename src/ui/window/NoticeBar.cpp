#include "ui/window/NoticeBar.h"

#include "app/NoticeBoard.h"
#include "ui/style/Brand.h"
#include "ui/widgets/TextButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace vesk {

NoticeBar::NoticeBar(NoticeBoard& board, QWidget* parent)
    : QWidget(parent)
    , m_board(board)
    , m_rows(new QVBoxLayout(this))
{
    setObjectName(QStringLiteral("noticeBar"));
    setAttribute(Qt::WA_StyledBackground);
    // The error red, faint, so that the bar reads as a problem without
    // shouting over the mail.
    setStyleSheet(QStringLiteral("#noticeBar { background: %1; border-top: 1px solid %2; }")
                      .arg(Brand::css(Brand::withOpacity(Brand::error, 0.12)),
                           Brand::css(Brand::withOpacity(Brand::error, 0.35))));
    m_rows->setContentsMargins(16, 4, 8, 4);
    m_rows->setSpacing(0);
    connect(&m_board, &NoticeBoard::changed, this, &NoticeBar::rebuild);
    rebuild();
}

void NoticeBar::rebuild()
{
    // A handful of rows at most: built again whole on each change. Later,
    // not now: the change may come from a row's own button.
    while (QLayoutItem* item = m_rows->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    for (const Notice& notice : m_board.notices())
        m_rows->addWidget(row(notice.id, notice.text, notice.details));
    setVisible(!m_board.notices().isEmpty());
}

QWidget* NoticeBar::row(quint64 id, const QString& text, const QString& details)
{
    auto* row = new QWidget(this);
    auto* label = new QLabel(text, row);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setToolTip(details);
    label->setAccessibleName(text);
    Brand::setText(label, Brand::inter(12), Brand::foreground);
    auto* dismiss = new TextButton(tr("Dispensar"), Brand::inter(12, QFont::Medium), row);
    dismiss->setAccessibleDescription(text);
    connect(dismiss, &QPushButton::clicked, this, [this, id] { m_board.dismiss(id); });
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 2, 0, 2);
    layout->setSpacing(12);
    layout->addWidget(label, 1);
    layout->addWidget(dismiss, 0, Qt::AlignVCenter);
    return row;
}

} // namespace vesk
