#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>

class QLabel;
class QModelIndex;
class QScrollArea;
class QVBoxLayout;

namespace vesk {

class FileManagerReveal;
class TextButton;
class TransferCard;
class TransferList;
class TransferManager;

/// The list of attachment downloads: a title, "Limpar concluídas", and one
/// card per item of the transfer manager's list, newest first, or a line
/// saying there are none. Follows the list row by row: a new download adds a
/// card, progress changes that card alone, clearing removes the finished
/// ones. A finished card reveals its file through `reveal`.
/// GUI thread only.
class TransfersPanel final : public QWidget
{
    Q_OBJECT

public:
    /// `manager` and `reveal` may be null: the panel then lists nothing, or
    /// reveals nothing.
    TransfersPanel(TransferManager* manager, std::shared_ptr<FileManagerReveal> reveal,
                   QWidget* parent = nullptr);

    /// The cards, in the order of the list.
    const QList<TransferCard*>& cards() const { return m_cards; }
    TextButton* clearButton() const { return m_clear; }
    QLabel* emptyText() const { return m_empty; }
    /// Where the cards scroll once there are more than fit.
    QScrollArea* list() const { return m_scroll; }

private:
    void insertCards(int first, int last);
    void removeCards(int first, int last);
    void refreshCards(int first, int last);
    void rebuild();
    void revealCard(const TransferCard* card) const;
    void updateEmptyText();
    void fitList();

    QPointer<TransferManager> m_manager;
    QPointer<TransferList> m_items;
    const std::shared_ptr<FileManagerReveal> m_reveal;
    TextButton* m_clear;
    QLabel* m_empty;
    QScrollArea* m_scroll;
    QVBoxLayout* m_cardLayout;
    QList<TransferCard*> m_cards;
};

} // namespace vesk
