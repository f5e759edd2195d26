#pragma once

#include <QFrame>

class QLabel;
class QModelIndex;
class QProgressBar;

namespace vesk {

class ElidedLabel;
class TextButton;

/// One download in the transfers panel: its file name and status, the
/// progress bar while it runs, and the account it came from. Shows what the
/// transfer list's row says and keeps nothing of it beyond the drawn text.
/// GUI thread only.
class TransferCard final : public QFrame
{
    Q_OBJECT

public:
    explicit TransferCard(QWidget* parent = nullptr);

    /// Shows the row `index` of a TransferList.
    void showItem(const QModelIndex& index);

Q_SIGNALS:
    /// "Mostrar na pasta" was pressed.
    void revealRequested();

private:
    void describe(const QString& fileName, int state, const QString& failure);

    ElidedLabel* m_fileName;
    QLabel* m_running;
    TextButton* m_reveal;
    QLabel* m_failure;
    QProgressBar* m_progress;
    QLabel* m_account;
};

} // namespace vesk
