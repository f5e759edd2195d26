#include "ui/window/MainToolbar.h"

#include "transfers/TransferManager.h"
#include "ui/style/Brand.h"
#include "ui/style/Icons.h"
#include "ui/transfers/TransfersPopover.h"
#include "ui/widgets/PillButton.h"
#include "ui/window/MainActions.h"

#include <QAction>
#include <QToolButton>

namespace vesk {

namespace {

QToolButton* toolButton(QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setIconSize(QSize(18, 18));
    button->setFont(Brand::inter(13, QFont::Medium));
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

} // namespace

MainToolbar::MainToolbar(const MainActions& actions, TransferManager* transfers,
                         std::shared_ptr<FileManagerReveal> reveal, QWidget* parent)
    : QToolBar(parent)
    , m_compose(new PillButton(tr("Escrever"), true, this))
    , m_refresh(toolButton(this))
    , m_transfers(toolButton(this))
    , m_transferManager(transfers)
    , m_reveal(std::move(reveal))
{
    setObjectName(QStringLiteral("mainToolbar"));
    setAccessibleName(tr("Barra de ferramentas"));
    setMovable(false);
    setFloatable(false);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setStyleSheet(Brand::toolbarStyleSheet(Brand::window));

    m_compose->setSymbol(Symbol::Compose);
    m_compose->setEnabled(actions.compose()->isEnabled());
    connect(m_compose, &PillButton::clicked, actions.compose(), &QAction::trigger);
    connect(actions.compose(), &QAction::enabledChanged, m_compose, &PillButton::setEnabled);

    // Shares the command's enablement, shortcut and tooltip.
    m_refresh->setDefaultAction(actions.refresh());

    m_transfers->setText(tr("Transferências"));
    m_transfers->setCheckable(true);
    connect(m_transfers, &QToolButton::clicked, this, &MainToolbar::toggleTransfers);

    // The tools sit at the trailing end, over the reading column.
    auto* spacer = new QWidget(this);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    addWidget(spacer);
    addWidget(m_compose);
    addWidget(m_refresh);
    addWidget(m_transfers);

    if (transfers)
        connect(transfers, &TransferManager::hasActiveChanged, this,
                &MainToolbar::showTransferState);
    showTransferState(transfers && transfers->hasActive());
}

TransfersPopover* MainToolbar::transfersPanel() const
{
    return m_panel;
}

void MainToolbar::toggleTransfers()
{
    if (m_panel) {
        m_panel->close();
        return;
    }
    m_panel = new TransfersPopover(m_transferManager, m_reveal, this);
    m_panel->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_panel, &TransfersPopover::closed, this, [this] { m_transfers->setChecked(false); });
    m_transfers->setChecked(true);
    m_panel->popUpUnder(m_transfers);
}

void MainToolbar::showTransferState(bool active)
{
    m_transfersSymbol = active ? Symbol::DownloadsActive : Symbol::Downloads;
    m_transfers->setIcon(Icons::icon(m_transfersSymbol));
}

} // namespace vesk
