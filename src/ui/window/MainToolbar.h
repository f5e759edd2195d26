#pragma once

#include "ui/style/Symbol.h"

#include <QPointer>
#include <QToolBar>

#include <memory>

class QToolButton;

namespace vesk {

class FileManagerReveal;
class MainActions;
class PillButton;
class TransferManager;
class TransfersPopover;

/// The main window's one group of tools: "Escrever" as the prominent pill,
/// "Atualizar", and "Transferências", whose symbol is filled exactly while a
/// download runs and which opens the transfers panel under itself.
/// GUI thread only.
class MainToolbar final : public QToolBar
{
    Q_OBJECT

public:
    /// `transfers` may be null (no downloads can then run); `reveal` shows
    /// a finished download's file, and may be null too.
    MainToolbar(const MainActions& actions, TransferManager* transfers,
                std::shared_ptr<FileManagerReveal> reveal, QWidget* parent = nullptr);

    PillButton* composeButton() const { return m_compose; }
    QToolButton* refreshButton() const { return m_refresh; }
    QToolButton* transfersButton() const { return m_transfers; }
    /// The symbol the transfers button shows now.
    Symbol transfersSymbol() const { return m_transfersSymbol; }
    /// The open transfers panel; null while it is closed.
    TransfersPopover* transfersPanel() const;

public Q_SLOTS:
    /// Opens the transfers panel, or closes it when it is open.
    void toggleTransfers();

private:
    void showTransferState(bool active);

    PillButton* m_compose;
    QToolButton* m_refresh;
    QToolButton* m_transfers;
    Symbol m_transfersSymbol = Symbol::Downloads;
    QPointer<TransfersPopover> m_panel;
    QPointer<TransferManager> m_transferManager;
    std::shared_ptr<FileManagerReveal> m_reveal;
};

} // namespace vesk
