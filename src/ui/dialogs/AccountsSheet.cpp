#include "ui/dialogs/AccountsSheet.h"

#include "app/AppState.h"
#include "auth/OAuthService.h"
#include "sync/AccountSession.h"
#include "ui/dialogs/AccountCard.h"
#include "ui/style/Brand.h"
#include "ui/widgets/BusySpinner.h"
#include "ui/widgets/FireAndForget.h"
#include "ui/widgets/PillButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vesk {

namespace {

QLabel* textLine(const QString& text, const QFont& font, const QColor& colour, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    Brand::setText(label, font, colour);
    return label;
}

} // namespace

AccountsSheet::AccountsSheet(AppState& state, QWidget* parent)
    : QDialog(parent)
    , m_state(state)
{
    setWindowTitle(tr("Contas"));
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(520);

    m_notice =
        textLine(tr("Ainda falta o cliente OAuth da Google. Cola o Client ID e o Client "
                    "Secret nas Definições do VESK (o passo da consola demora poucos minutos "
                    "e faz-se uma só vez). Sem isso, o VESK não consegue ligar contas, mas "
                    "todo o resto da app está pronto."),
                 Brand::inter(12), Brand::foreground, this);
    m_notice->setObjectName(QStringLiteral("notice"));
    m_linkError = textLine(QString(), Brand::inter(12), Brand::error, this);
    m_linkError->setObjectName(QStringLiteral("linkError"));

    auto* done = new PillButton(tr("Concluir"), false, this);
    done->setObjectName(QStringLiteral("done"));
    connect(done, &PillButton::clicked, this, &QDialog::accept);
    auto* doneRow = new QHBoxLayout;
    doneRow->addStretch(1);
    doneRow->addWidget(done);

    m_cardsLayout = new QVBoxLayout;
    m_cardsLayout->setSpacing(8);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 22, 24, 18);
    layout->setSpacing(14);
    layout->addWidget(
        textLine(tr("Contas"), Brand::sora(18, QFont::Bold), Brand::foreground, this));
    layout->addWidget(m_notice);
    layout->addLayout(m_cardsLayout);
    layout->addWidget(buildLinkArea());
    layout->addWidget(m_linkError);
    layout->addStretch(1);
    layout->addLayout(doneRow);

    connect(&m_state, &AppState::sessionsChanged, this, &AccountsSheet::refreshCards);
    connect(&m_state, &AppState::linkingChanged, this, &AccountsSheet::refreshLinking);
    connect(&m_state, &AppState::oauthConfiguredChanged, this, &AccountsSheet::refreshLinking);
    refreshCards();
    refreshLinking();
}

QWidget* AccountsSheet::buildLinkArea()
{
    auto* area = new QWidget(this);
    auto* column = new QVBoxLayout(area);
    column->setContentsMargins(0, 0, 0, 0);

    m_waiting = new QWidget(area);
    m_waiting->setObjectName(QStringLiteral("waiting"));
    auto* waitingRow = new QHBoxLayout(m_waiting);
    waitingRow->setContentsMargins(0, 0, 0, 0);
    waitingRow->setSpacing(10);
    auto* cancel = new PillButton(tr("Cancelar"), false, m_waiting);
    cancel->setObjectName(QStringLiteral("cancelLink"));
    connect(cancel, &PillButton::clicked, this, &AccountsSheet::cancelLinking);
    waitingRow->addWidget(new BusySpinner(14, m_waiting), 0, Qt::AlignVCenter);
    waitingRow->addWidget(textLine(tr("À espera do login no navegador. Escreve a senha e o 2FA nas "
                                      "páginas da Google; o VESK recebe só os tokens."),
                                   Brand::inter(12), Brand::secondary(), m_waiting),
                          1);
    waitingRow->addWidget(cancel, 0, Qt::AlignVCenter);

    m_link = new PillButton(tr("Ligar outra conta"), true, area);
    m_link->setObjectName(QStringLiteral("link"));
    connect(m_link, &PillButton::clicked, this, [this] { fireAndForget(m_state.linkAccount()); });
    column->addWidget(m_waiting);
    column->addWidget(m_link, 0, Qt::AlignLeft);
    return area;
}

void AccountsSheet::refreshCards()
{
    // Cards are kept by email, so a switch being toggled is not torn down by
    // the rebuild its own change sets off.
    QList<AccountCard*> cards;
    for (const AccountSession* session : m_state.sessions()) {
        const QString& email = session->id();
        AccountCard* card = nullptr;
        for (AccountCard* existing : std::as_const(m_cards)) {
            if (existing->email() == email)
                card = existing;
        }
        if (!card) {
            card = new AccountCard(email, this);
            connect(card, &AccountCard::notificationsToggled, &m_state,
                    &AppState::setNotificationsEnabled);
            connect(card, &AccountCard::removeRequested, this, &AccountsSheet::removeAccount);
        }
        card->present(session->identity().name, m_state.registry().notificationsEnabled(email));
        m_cardsLayout->removeWidget(card);
        m_cardsLayout->addWidget(card);
        cards.append(card);
    }
    for (AccountCard* old : std::as_const(m_cards)) {
        if (!cards.contains(old)) {
            m_cardsLayout->removeWidget(old);
            old->hide();
            old->deleteLater();
        }
    }
    m_cards = cards;
    adjustSize();
}

void AccountsSheet::refreshLinking()
{
    const bool linking = m_state.isLinkingAccount();
    m_notice->setVisible(!m_state.oauthConfigured());
    m_waiting->setVisible(linking);
    m_link->setVisible(!linking);
    m_link->setEnabled(m_state.oauthConfigured());
    m_linkError->setText(m_state.linkError());
    m_linkError->setVisible(!m_state.linkError().isEmpty());
}

void AccountsSheet::cancelLinking()
{
    m_state.cancelLinking();
}

void AccountsSheet::removeAccount(const QString& email)
{
    const auto it =
        std::find_if(m_state.sessions().cbegin(), m_state.sessions().cend(),
                     [&](const AccountSession* session) { return session->id() == email; });
    if (it == m_state.sessions().cend())
        return;
    const QString name = (*it)->identity().name.trimmed();
    const QString account = name.isEmpty() ? email : tr("%1 (%2)").arg(name, email);
    // Asked first: the tokens are revoked and the mail kept here deleted,
    // which no button brings back. Opened rather than executed, so that the
    // window keeps its event loop, with "Cancelar" as the default and Esc.
    auto* box = new QMessageBox(QMessageBox::Warning, tr("Remover conta"),
                                tr("Remover a conta %1 do VESK?").arg(account),
                                QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("confirmRemoval"));
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(tr("O VESK deixa de ter acesso à conta e apaga o correio que guardou "
                               "neste computador. O correio na Google fica como está."));
    QPushButton* remove = box->addButton(tr("Remover conta"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box->addButton(tr("Cancelar"), QMessageBox::RejectRole);
    remove->setObjectName(QStringLiteral("confirmRemove"));
    // In red, as the card's "Remover": the application's style sheet has
    // the last word on a button's text colour, so it is said there.
    remove->setStyleSheet(QStringLiteral("color: %1;").arg(Brand::error.name()));
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    connect(box, &QMessageBox::buttonClicked, this, [this, email, remove](QAbstractButton* chosen) {
        if (chosen != remove)
            return;
        // Looked up again: the account may have gone while the box was open.
        for (AccountSession* session : m_state.sessions()) {
            if (session->id() == email) {
                fireAndForget(m_state.removeAccount(session));
                return;
            }
        }
    });
    box->open();
}

} // namespace vesk
