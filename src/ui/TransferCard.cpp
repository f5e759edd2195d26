#include "TransferCard.h"

#include "Brand.h"
#include "TextButton.h"
#include "transfers/TransferItem.h"
#include "transfers/TransferList.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QModelIndex>
#include <QProgressBar>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace vesk {

namespace {

using Case = TransferItem::State::Case;

/// The bar counts in thousandths, fine enough for any width it is drawn at.
constexpr int s_barSteps = 1000;
/// A failure text wraps rather than pushing the file name out of the card.
constexpr int s_failureWidth = 210;

QString barStyle()
{
    const QColor track = Brand::withOpacity(Brand::foreground, 0.1);
    return QStringLiteral("QProgressBar { background-color: rgba(%1, %2, %3, %4); border: none; "
                          "border-radius: 2px; }\n"
                          "QProgressBar::chunk { background-color: %5; border-radius: 2px; }")
        .arg(track.red())
        .arg(track.green())
        .arg(track.blue())
        .arg(track.alphaF())
        .arg(Brand::primary.name());
}

} // namespace

TransferCard::TransferCard(QWidget* parent)
    : QFrame(parent)
    , m_fileName(new QLabel(this))
    , m_status(new QStackedWidget(this))
    , m_running(new QLabel(QStringLiteral("A transferir"), m_status))
    , m_reveal(new TextButton(QStringLiteral("Mostrar na pasta"), Brand::inter(11), m_status))
    , m_failure(new QLabel(m_status))
    , m_progress(new QProgressBar(this))
    , m_account(new QLabel(this))
{
    setProperty(Brand::cardProperty, QLatin1String(Brand::panelCard));
    Brand::setText(m_fileName, Brand::inter(12, QFont::DemiBold), Brand::foreground);
    // The name gives way to the status and is cut with an ellipsis.
    m_fileName->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_fileName->setMinimumWidth(40);
    m_fileName->installEventFilter(this);
    Brand::setText(m_running, Brand::inter(11), Brand::secondary());
    Brand::setText(m_failure, Brand::inter(11), Brand::error);
    m_failure->setWordWrap(true);
    m_failure->setMaximumWidth(s_failureWidth);
    m_failure->setAlignment(Qt::AlignRight | Qt::AlignTop);
    for (QLabel* label : {m_running, m_failure})
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->addWidget(m_running);
    m_status->addWidget(m_reveal);
    m_status->addWidget(m_failure);
    connect(m_reveal, &TextButton::clicked, this, &TransferCard::revealRequested);

    m_progress->setRange(0, s_barSteps);
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(4);
    m_progress->setStyleSheet(barStyle());
    Brand::setText(m_account, Brand::inter(10), Brand::secondary());

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(m_fileName, 1, Qt::AlignTop);
    row->addWidget(m_status, 0, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(4);
    layout->addLayout(row);
    layout->addWidget(m_progress);
    layout->addWidget(m_account);
}

void TransferCard::showItem(const QModelIndex& index)
{
    m_fullFileName = index.data(TransferList::FileNameRole).toString();
    m_fileName->setToolTip(m_fullFileName);
    elideFileName();
    m_account->setText(index.data(TransferList::AccountEmailRole).toString());

    const auto state = Case(index.data(TransferList::StateRole).toInt());
    switch (state) {
    case Case::Running:
        m_status->setCurrentWidget(m_running);
        break;
    case Case::Done:
        m_status->setCurrentWidget(m_reveal);
        break;
    case Case::Failed:
        m_failure->setText(index.data(TransferList::ErrorTextRole).toString());
        m_status->setCurrentWidget(m_failure);
        break;
    }
    // A stacked widget is as large as its largest page; only the shown one
    // may count.
    for (int page = 0; page < m_status->count(); ++page) {
        QWidget* widget = m_status->widget(page);
        widget->setSizePolicy(
            page == m_status->currentIndex() ? QSizePolicy::Preferred : QSizePolicy::Ignored,
            page == m_status->currentIndex() ? QSizePolicy::Preferred : QSizePolicy::Ignored);
    }
    m_status->adjustSize();

    m_progress->setVisible(state == Case::Running);
    const double fraction = index.data(TransferList::FractionRole).toDouble();
    m_progress->setValue(qRound(qBound(0.0, fraction, 1.0) * s_barSteps));
}

bool TransferCard::eventFilter(QObject* watched, QEvent* event)
{
    // The name's room changes with the card and with the status beside it.
    if (watched == m_fileName && event->type() == QEvent::Resize)
        elideFileName();
    return QFrame::eventFilter(watched, event);
}

void TransferCard::elideFileName()
{
    const int room = std::max(m_fileName->width(), m_fileName->minimumWidth());
    m_fileName->setText(
        m_fileName->fontMetrics().elidedText(m_fullFileName, Qt::ElideMiddle, room));
}

} // namespace vesk
