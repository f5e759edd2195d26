#include "ui/dialogs/SettingsWindow.h"

#include "app/AppState.h"
#include "auth/OAuthConfig.h"
#include "model/OfflineLimit.h"
#include "platform/Autostart.h"
#include "ui/dialogs/AboutView.h"
#include "ui/style/Brand.h"
#include "ui/widgets/PillButton.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vesk {

namespace {

QLabel* note(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    Brand::setText(label, Brand::inter(11), Brand::secondary());
    return label;
}

QLineEdit* field(const QString& name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setPlaceholderText(name);
    edit->setAccessibleName(name);
    edit->setFont(Brand::inter(12));
    edit->setMinimumHeight(28);
    return edit;
}

} // namespace

SettingsWindow::SettingsWindow(AppState& state, std::shared_ptr<OAuthConfig> config,
                               std::shared_ptr<const Autostart> autostart, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_state(state)
    , m_config(std::move(config))
    , m_autostart(std::move(autostart))
{
    setWindowTitle(tr("Definições do VESK"));
    // Taller than the 520 points of the original design: with the desktop's
    // type metrics the form would otherwise scroll and hide "Sobre".
    setFixedSize(560, 680);

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(22, 14, 22, 14);
    column->setSpacing(12);
    column->addWidget(buildClientSection());
    column->addWidget(buildNotificationSection());
    column->addWidget(buildPrivacySection());
    if (m_autostart)
        column->addWidget(buildStartSection());
    QVBoxLayout* body = nullptr;
    column->addWidget(section(tr("Sobre"), body));
    body->addWidget(new AboutView(this));
    column->addStretch(1);

    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    scroll->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);

    connect(&m_state, &AppState::oauthConfiguredChanged, this, &SettingsWindow::refreshStatus);
    loadStored();
    refreshStatus();
}

QWidget* SettingsWindow::section(const QString& title, QVBoxLayout*& body)
{
    auto* box = new QWidget(this);
    auto* outer = new QVBoxLayout(box);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(4);
    auto* heading = new QLabel(title, box);
    Brand::setText(heading, Brand::inter(12, QFont::DemiBold), Brand::secondary());
    heading->setContentsMargins(4, 0, 0, 0);
    auto* card = new QFrame(box);
    card->setProperty(Brand::cardProperty, QLatin1String(Brand::messageCard));
    body = new QVBoxLayout(card);
    body->setContentsMargins(14, 10, 14, 10);
    body->setSpacing(8);
    outer->addWidget(heading);
    outer->addWidget(card);
    return box;
}

QWidget* SettingsWindow::buildClientSection()
{
    QVBoxLayout* body = nullptr;
    QWidget* box = section(tr("Cliente OAuth da Google"), body);
    m_clientId = field(QStringLiteral("Client ID"), box);
    m_clientSecret = field(QStringLiteral("Client Secret"), box);
    m_clientSecret->setEchoMode(QLineEdit::Password);
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(8);
    for (QLineEdit* edit : {m_clientId, m_clientSecret}) {
        auto* label = new QLabel(edit->accessibleName(), box);
        Brand::setText(label, Brand::inter(12), Brand::foreground);
        label->setBuddy(edit);
        form->addRow(label, edit);
    }
    body->addLayout(form);
    body->addWidget(
        note(tr("Vêm da tua consola Google (projeto VESK, cliente Desktop app chamado VESK "
                "Linux). O Client Secret fica guardado no porta-chaves deste computador, "
                "só para o VESK. A senha das tuas contas nunca passa pelo VESK: o login "
                "faz-se nas páginas da Google, no navegador do sistema."),
             box));

    auto* saveButton = new PillButton(tr("Guardar"), true, box);
    saveButton->setObjectName(QStringLiteral("save"));
    connect(saveButton, &PillButton::clicked, this, &SettingsWindow::save);
    connect(m_clientSecret, &QLineEdit::returnPressed, this, &SettingsWindow::save);
    m_savedNote = new QLabel(tr("Guardado"), box);
    m_savedNote->setObjectName(QStringLiteral("savedNote"));
    Brand::setText(m_savedNote, Brand::inter(12), Brand::success);
    m_status = new QLabel(box);
    m_status->setObjectName(QStringLiteral("status"));
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    row->addWidget(saveButton);
    row->addWidget(m_savedNote);
    row->addStretch(1);
    row->addWidget(m_status);
    body->addLayout(row);
    return box;
}

QWidget* SettingsWindow::buildNotificationSection()
{
    QVBoxLayout* body = nullptr;
    QWidget* box = section(tr("Notificações"), body);
    body->addWidget(note(tr("As notificações são locais, geradas no teu computador a cada "
                            "sincronização (cerca de um minuto com o app aberto), com o nome e o "
                            "endereço da conta no título. Clicar numa notificação abre a conta e a "
                            "conversa certas. O interruptor de cada conta está em Contas."),
                         box));
    auto* ask = new PillButton(tr("Pedir permissão de notificações"), false, box);
    ask->setObjectName(QStringLiteral("askPermission"));
    connect(ask, &PillButton::clicked, this, &SettingsWindow::notificationPermissionRequested);
    body->addWidget(ask, 0, Qt::AlignLeft);
    return box;
}

QWidget* SettingsWindow::buildPrivacySection()
{
    QVBoxLayout* body = nullptr;
    QWidget* box = section(tr("Privacidade"), body);
    body->addWidget(note(tr("Os tokens das contas vivem no porta-chaves do sistema, um conjunto "
                            "por conta. O correio fica em cache na pasta de suporte do VESK, "
                            "neste computador. Sem servidor do VESK e sem análise de utilização: "
                            "nada sai daqui exceto os pedidos à API do Gmail da Google, com os "
                            "tokens da própria conta."),
                         box));
    m_offlineLimit = new QSpinBox(box);
    m_offlineLimit->setObjectName(QStringLiteral("offlineLimit"));
    m_offlineLimit->setRange(0, OfflineLimit::maximumMegabytes);
    m_offlineLimit->setSingleStep(50);
    m_offlineLimit->setSuffix(QStringLiteral(" MB"));
    m_offlineLimit->setSpecialValueText(tr("Nenhum"));
    m_offlineLimit->setFont(Brand::inter(12));
    m_offlineLimit->setMinimumHeight(28);
    // Applied once a value is complete, not at every digit typed: a smaller
    // limit deletes conversations at once.
    m_offlineLimit->setKeyboardTracking(false);
    connect(m_offlineLimit, &QSpinBox::valueChanged, this,
            [this](int megabytes) { m_state.offlineLimit()->setMegabytes(megabytes); });
    auto* label = new QLabel(tr("Espaço para ler sem ligação"), box);
    Brand::setText(label, Brand::inter(12), Brand::foreground);
    label->setBuddy(m_offlineLimit);
    m_offlineLimit->setAccessibleName(label->text());
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    row->addWidget(label);
    row->addWidget(m_offlineLimit);
    row->addStretch(1);
    body->addLayout(row);
    body->addWidget(note(tr("As conversas abertas há menos tempo ficam guardadas neste "
                            "computador, para as leres sem ligação; as mais antigas saem quando "
                            "o espaço acaba. Os anexos só se abrem com ligação."),
                         box));
    return box;
}

QWidget* SettingsWindow::buildStartSection()
{
    QVBoxLayout* body = nullptr;
    QWidget* box = section(tr("Arranque"), body);
    m_startWithSession = new QCheckBox(tr("Iniciar com a sessão"), box);
    m_startWithSession->setObjectName(QStringLiteral("startWithSession"));
    m_startWithSession->setFont(Brand::inter(12));
    // Fusion outlines the box in a darker shade of the window, which on the
    // dark brand leaves it all but invisible: a lighter box, drawn from Base,
    // with the tick in the brand's violet.
    QPalette look = m_startWithSession->palette();
    look.setColor(QPalette::Base, QColor(0x3A, 0x31, 0x4F));
    look.setColor(QPalette::Text, Brand::foreground);
    m_startWithSession->setPalette(look);
    connect(m_startWithSession, &QCheckBox::toggled, this, &SettingsWindow::setStartsWithSession);
    body->addWidget(m_startWithSession);
    m_startError = note(QString(), box);
    m_startError->setObjectName(QStringLiteral("startError"));
    Brand::setText(m_startError, Brand::inter(11), Brand::error);
    m_startError->hide();
    body->addWidget(m_startError);
    body->addWidget(note(tr("Ao entrar na sessão, o VESK abre escondido na área de notificação, "
                            "a sincronizar e a avisar de correio novo."),
                         box));
    return box;
}

void SettingsWindow::setStartsWithSession(bool starts)
{
    const QString failure = m_autostart->setEnabled(starts);
    m_startError->setVisible(!failure.isEmpty());
    if (failure.isEmpty())
        return;
    m_startError->setText((starts ? tr("Não foi possível ativar o arranque com a sessão: %1")
                                  : tr("Não foi possível desativar o arranque com a sessão: %1"))
                              .arg(failure));
    // The box shows what the session will do, not what was asked.
    const QSignalBlocker quiet(m_startWithSession);
    m_startWithSession->setChecked(m_autostart->isEnabled());
}

void SettingsWindow::save()
{
    // The configuration trims what it stores; the application state follows
    // its change announcements, so the status below updates by itself.
    m_config->setClientId(m_clientId->text());
    m_config->setClientSecret(m_clientSecret->text());
    m_savedNote->show();
    refreshStatus();
}

void SettingsWindow::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        loadStored();
    QWidget::showEvent(event);
}

void SettingsWindow::loadStored()
{
    m_clientId->setText(m_config->clientId());
    m_clientSecret->setText(m_config->clientSecret());
    m_savedNote->hide();
    const QSignalBlocker quiet(m_offlineLimit);
    m_offlineLimit->setValue(m_state.offlineLimit()->megabytes());
    if (m_startWithSession) {
        const QSignalBlocker quietStart(m_startWithSession);
        m_startWithSession->setChecked(m_autostart->isEnabled());
        m_startError->hide();
    }
}

void SettingsWindow::refreshStatus()
{
    const bool configured = m_state.oauthConfigured();
    m_status->setText(configured ? tr("Cliente configurado") : tr("Cliente por configurar"));
    Brand::setText(m_status, Brand::inter(12), configured ? Brand::success : Brand::error);
}

} // namespace vesk
