#include "ui/transfers/TransfersPanel.h"

#include "platform/FileManagerReveal.h"
#include "transfers/TransferList.h"
#include "transfers/TransferManager.h"
#include "ui/style/Brand.h"
#include "ui/transfers/TransferCard.h"
#include "ui/widgets/TextButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace vesk {

namespace {

constexpr int s_width = 380;
constexpr int s_padding = 14;
/// Past this the cards scroll, so that a long session's downloads never
/// push the popover off the screen.
constexpr int s_maxListHeight = 440;

} // namespace

TransfersPanel::TransfersPanel(TransferManager* manager, std::shared_ptr<FileManagerReveal> reveal,
                               QWidget* parent)
    : QWidget(parent)
    , m_manager(manager)
    , m_items(manager ? manager->items() : nullptr)
    , m_reveal(std::move(reveal))
    , m_clear(new TextButton(tr("Limpar concluídas"), Brand::inter(11), this))
    , m_empty(new QLabel(
          tr("Sem transferências. Os anexos que guardares aparecem aqui com o progresso."), this))
    , m_scroll(new QScrollArea(this))
    , m_cardLayout(nullptr)
{
    setFixedWidth(s_width);
    setAccessibleName(tr("Transferências"));

    auto* title = new QLabel(tr("Transferências"), this);
    Brand::setText(title, Brand::sora(15, QFont::Bold), Brand::foreground);
    connect(m_clear, &TextButton::clicked, this, [this] {
        if (m_manager)
            m_manager->clearFinished();
    });
    m_empty->setWordWrap(true);
    Brand::setText(m_empty, Brand::inter(12), Brand::secondary());

    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->addWidget(title);
    header->addStretch(1);
    header->addWidget(m_clear);

    auto* host = new QWidget(m_scroll);
    host->setAutoFillBackground(false);
    m_cardLayout = new QVBoxLayout(host);
    m_cardLayout->setContentsMargins(0, 0, 0, 0);
    m_cardLayout->setSpacing(10);
    m_cardLayout->addStretch(1);
    m_scroll->setWidget(host);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->viewport()->setAutoFillBackground(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(s_padding, s_padding, s_padding, s_padding);
    layout->setSpacing(10);
    layout->addLayout(header);
    layout->addWidget(m_empty);
    layout->addWidget(m_scroll);

    if (m_items) {
        connect(m_items, &TransferList::rowsInserted, this,
                [this](const QModelIndex&, int first, int last) { insertCards(first, last); });
        connect(m_items, &TransferList::rowsRemoved, this,
                [this](const QModelIndex&, int first, int last) { removeCards(first, last); });
        connect(m_items, &TransferList::dataChanged, this,
                [this](const QModelIndex& from, const QModelIndex& to) {
                    refreshCards(from.row(), to.row());
                });
        connect(m_items, &TransferList::modelReset, this, &TransfersPanel::rebuild);
        connect(m_items, &TransferList::rowsMoved, this, &TransfersPanel::rebuild);
        connect(m_items, &TransferList::layoutChanged, this, &TransfersPanel::rebuild);
    }
    rebuild();
}

void TransfersPanel::insertCards(int first, int last)
{
    for (int row = first; row <= last; ++row) {
        auto* card = new TransferCard(m_scroll->widget());
        connect(card, &TransferCard::revealRequested, this, [this, card] { revealCard(card); });
        m_cards.insert(row, card);
        m_cardLayout->insertWidget(row, card);
        // Shown now rather than when the layout gets to it, so that the list's
        // height counts it at once.
        card->show();
        card->showItem(m_items->index(row));
    }
    updateEmptyText();
}

void TransfersPanel::removeCards(int first, int last)
{
    for (int row = last; row >= first; --row) {
        if (row < 0 || row >= m_cards.size())
            continue;
        // Deleted now, not later: the panel's size must follow at once.
        delete m_cards.takeAt(row);
    }
    updateEmptyText();
}

void TransfersPanel::refreshCards(int first, int last)
{
    for (int row = std::max(first, 0); row <= last && row < m_cards.size(); ++row)
        m_cards[row]->showItem(m_items->index(row));
    // A finished card loses its bar; a failure text may wrap.
    fitList();
}

void TransfersPanel::rebuild()
{
    qDeleteAll(m_cards);
    m_cards.clear();
    if (m_items && m_items->rowCount() > 0)
        insertCards(0, m_items->rowCount() - 1);
    updateEmptyText();
}

void TransfersPanel::revealCard(const TransferCard* card) const
{
    const int row = int(m_cards.indexOf(card));
    if (row < 0 || !m_items || !m_reveal)
        return;
    const QString path = m_items->index(row).data(TransferList::SavedPathRole).toString();
    if (!path.isEmpty())
        m_reveal->reveal(path);
}

void TransfersPanel::updateEmptyText()
{
    m_empty->setVisible(m_cards.isEmpty());
    fitList();
}

void TransfersPanel::fitList()
{
    m_scroll->setVisible(!m_cards.isEmpty());
    const int width = s_width - 2 * s_padding;
    const int content = m_cardLayout->hasHeightForWidth() ? m_cardLayout->heightForWidth(width)
                                                          : m_cardLayout->sizeHint().height();
    m_scroll->setFixedHeight(std::min(content, s_maxListHeight));
}

} // namespace vesk
