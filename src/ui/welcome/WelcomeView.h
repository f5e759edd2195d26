#pragma once

#include <QWidget>

class QFrame;
class QLabel;

namespace vesk {

class PillButton;
class StarFieldWidget;

/// What the main window shows while no account is linked: the product on the
/// night sky, a card explaining the one step left while the OAuth client is
/// not configured, and one button leading on (to the accounts sheet when the
/// client is configured, to the settings otherwise). It only asks; the window
/// that owns it opens the sheet or the settings. GUI thread only.
class WelcomeView final : public QWidget
{
    Q_OBJECT

public:
    explicit WelcomeView(QWidget* parent = nullptr);

    /// Shows the card and "Abrir Definições" while false, "Ligar a primeira
    /// conta" once true.
    void setOAuthConfigured(bool configured);

    /// The last linking error; empty hides the line.
    void setLinkError(const QString& text);

Q_SIGNALS:
    /// "Ligar a primeira conta" was pressed: open the accounts sheet.
    void linkAccountRequested();
    /// "Abrir Definições" was pressed: open the settings window.
    void settingsRequested();

private:
    void buildColumn(QWidget* column);
    QFrame* buildCard();
    void onButtonClicked();
    void refresh();

    bool m_oauthConfigured = false;
    StarFieldWidget* m_sky;
    QFrame* m_card = nullptr;
    PillButton* m_button = nullptr;
    QLabel* m_error = nullptr;
};

} // namespace vesk
