#include "ui/sidebar/SidebarPane.h"

#include "app/AppState.h"
#include "sync/AccountSession.h"
#include "ui/sidebar/AccountListModel.h"
#include "ui/sidebar/AccountRowDelegate.h"
#include "ui/sidebar/LabelListModel.h"
#include "ui/sidebar/LabelRowDelegate.h"
#include "ui/style/Brand.h"
#include "ui/style/Icons.h"
#include "ui/widgets/BusySpinner.h"
#include "ui/widgets/ErrorText.h"
#include "ui/widgets/FireAndForget.h"
#include "ui/widgets/PillButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QVBoxLayout>

namespace vesk {

namespace {

AccountSession* sessionOf(const AppState& state, const QString& email)
{
    for (AccountSession* session : state.sessions()) {
        if (session->id() == email)
            return session;
    }
    return nullptr;
}

} // namespace

SidebarPane::SidebarPane(AppState& state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_accountModel(new AccountListModel(state, this))
    , m_labelModel(new LabelListModel(state, this))
{
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Brand::cardDark);
    setPalette(p);

    m_accounts = makeList(QStringLiteral("accounts"));
    m_accounts->setModel(m_accountModel);
    m_accounts->setItemDelegate(new AccountRowDelegate(m_accounts));
    m_accounts->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_accounts->setAccessibleName(tr("Contas"));
    m_labels = makeList(QStringLiteral("labels"));
    m_labels->setModel(m_labelModel);
    m_labels->setItemDelegate(new LabelRowDelegate(m_labels));
    m_labels->setAccessibleName(tr("Etiquetas"));

    m_manage = new PillButton(tr("Gerir contas"), false, this);
    m_manage->setObjectName(QStringLiteral("manageAccounts"));
    m_manage->setSymbol(Symbol::AddAccount);
    connect(m_manage, &PillButton::clicked, this, &SidebarPane::manageAccountsRequested);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 12, 0, 10);
    layout->setSpacing(2);
    layout->addWidget(sectionTitle(tr("Contas")));
    layout->addWidget(m_accounts);
    auto* manageRow = new QHBoxLayout;
    manageRow->setContentsMargins(10, 4, 10, 0);
    manageRow->addWidget(m_manage);
    manageRow->addStretch(1);
    layout->addLayout(manageRow);
    layout->addSpacing(12);
    layout->addWidget(sectionTitle(tr("Etiquetas")));
    layout->addWidget(m_labels, 1);
    layout->addWidget(buildStatus());

    connect(m_accounts, &QListView::clicked, this, &SidebarPane::onAccountActivated);
    connect(m_accounts, &QListView::activated, this, &SidebarPane::onAccountActivated);
    connect(m_labels, &QListView::clicked, this, &SidebarPane::onLabelActivated);
    connect(m_labels, &QListView::activated, this, &SidebarPane::onLabelActivated);
    connect(m_accountModel, &QAbstractItemModel::rowsInserted, this,
            &SidebarPane::fitAccountsHeight);
    connect(m_accountModel, &QAbstractItemModel::rowsRemoved, this,
            &SidebarPane::fitAccountsHeight);
    connect(&m_state, &AppState::sessionsChanged, this, &SidebarPane::followSelectedSession);
    connect(&m_state, &AppState::selectionChanged, this, &SidebarPane::followSelectedSession);
    connect(&m_state, &AppState::linkingChanged, this, &SidebarPane::refreshStatus);
    fitAccountsHeight();
    followSelectedSession();
    setMinimumWidth(210);
}

SidebarPane::~SidebarPane() = default;

QListView* SidebarPane::makeList(const QString& name)
{
    auto* view = new QListView(this);
    view->setObjectName(name);
    view->setFrameShape(QFrame::NoFrame);
    view->viewport()->setAutoFillBackground(false);
    view->setSelectionMode(QAbstractItemView::NoSelection);
    view->setUniformItemSizes(true);
    view->setMouseTracking(true);
    view->viewport()->setAttribute(Qt::WA_Hover);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setFocusPolicy(Qt::StrongFocus);
    view->setCursor(Qt::PointingHandCursor);
    return view;
}

QLabel* SidebarPane::sectionTitle(const QString& text)
{
    auto* title = new QLabel(text, this);
    Brand::setText(title, Brand::inter(11, QFont::DemiBold), Brand::secondary());
    title->setContentsMargins(18, 4, 18, 4);
    return title;
}

QWidget* SidebarPane::buildStatus()
{
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(18, 6, 18, 0);
    column->setSpacing(6);

    m_syncRow = new QWidget(box);
    m_syncRow->setObjectName(QStringLiteral("syncStatus"));
    auto* syncLayout = new QHBoxLayout(m_syncRow);
    syncLayout->setContentsMargins(0, 0, 0, 0);
    syncLayout->setSpacing(8);
    m_spinner = new BusySpinner(12, m_syncRow);
    auto* syncing = new QLabel(tr("A sincronizar"), m_syncRow);
    Brand::setText(syncing, Brand::inter(11), Brand::secondary());
    syncLayout->addWidget(m_spinner);
    syncLayout->addWidget(syncing);
    syncLayout->addStretch(1);
    column->addWidget(m_syncRow);

    m_errorRow = new QWidget(box);
    auto* errorLayout = new QVBoxLayout(m_errorRow);
    errorLayout->setContentsMargins(0, 0, 0, 0);
    errorLayout->setSpacing(6);
    m_error = new QLabel(m_errorRow);
    m_error->setObjectName(QStringLiteral("errorText"));
    m_error->setTextFormat(Qt::PlainText);
    m_error->setWordWrap(true);
    m_error->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Brand::setText(m_error, Brand::inter(11), Brand::error);
    m_relink = new PillButton(tr("Ligar de novo"), false, m_errorRow);
    m_relink->setObjectName(QStringLiteral("relink"));
    connect(m_relink, &PillButton::clicked, this, [this] { fireAndForget(m_state.linkAccount()); });
    errorLayout->addWidget(m_error);
    errorLayout->addWidget(m_relink, 0, Qt::AlignLeft);
    column->addWidget(m_errorRow);
    return box;
}

void SidebarPane::onAccountActivated(const QModelIndex& index)
{
    const QString email = index.data(AccountListModel::EmailRole).toString();
    if (email == AppState::allAccountsId() || sessionOf(m_state, email))
        m_state.selectAccount(email);
}

void SidebarPane::onLabelActivated(const QModelIndex& index)
{
    const QString labelId = index.data(LabelListModel::IdRole).toString();
    if (labelId.isEmpty())
        return;
    m_state.selectLabel(labelId);
    m_state.selectThread(std::nullopt);
}

void SidebarPane::fitAccountsHeight()
{
    const int rows = m_accountModel->rowCount();
    const int rowHeight = rows > 0 ? m_accounts->sizeHintForRow(0) : 0;
    m_accounts->setFixedHeight(rows * rowHeight);
}

void SidebarPane::followSelectedSession()
{
    AccountSession* session = m_state.selectedSession();
    if (session != m_followed) {
        for (const QMetaObject::Connection& connection : m_sessionConnections)
            disconnect(connection);
        m_sessionConnections.clear();
        m_followed = session;
        if (session) {
            m_sessionConnections = {
                connect(session, &AccountSession::isSyncingChanged, this,
                        &SidebarPane::refreshStatus),
                connect(session, &AccountSession::lastErrorChanged, this,
                        &SidebarPane::refreshStatus),
            };
        }
    }
    refreshStatus();
}

void SidebarPane::refreshStatus()
{
    const AccountSession* session = m_followed.data();
    m_syncRow->setVisible(session && session->isSyncing());
    const std::optional<SessionError> failure =
        session ? session->lastFailure() : std::optional<SessionError>();
    m_error->setText(failure ? ErrorText::forSession(*failure) : QString());
    // What Google sent, as it came, one hover away.
    m_error->setToolTip(failure ? ErrorText::tooltip(failure->details) : QString());
    m_errorRow->setVisible(failure.has_value());
    m_relink->setVisible(failure && failure->kind == SessionError::Kind::NeedsRelink);
    // One link at a time: the running one is followed on the accounts sheet.
    m_relink->setEnabled(!m_state.isLinkingAccount());
}

} // namespace vesk
