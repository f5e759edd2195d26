#include "OAuthError.h"

#include <QCoreApplication>

namespace vesk {

namespace {

/// How much of Google's text a sentence quotes: a line, not a page.
constexpr int s_quotedCharacters = 200;
/// Google's codes are single words; anything longer is not worth repeating.
constexpr int s_quotedCodeCharacters = 64;

QString sentenceFor(const GoogleErrorBody& answer)
{
    const QString status = QString::number(answer.httpStatus);
    // A wrong Client Secret reads invalid_client; a client of another kind
    // (not "Desktop app") unauthorized_client. Both are fixed in Settings.
    if (answer.error == u"invalid_client" || answer.error == u"unauthorized_client")
        return QCoreApplication::translate(
                   "vesk::OAuthError",
                   "A Google não aceitou o cliente OAuth (%1). É preciso verificar o Client Secret "
                   "e o Client ID nas Definições.")
            .arg(answer.error);
    // An expired or revoked grant, or a code already spent.
    if (answer.error == u"invalid_grant")
        return QCoreApplication::translate(
            "vesk::OAuthError",
            "A Google deixou de aceitar a autorização desta conta: expirou ou foi revogada. "
            "É preciso ligar a conta de novo.");
    const QString said = answer.message.isEmpty() ? answer.error : answer.message;
    if (!said.isEmpty())
        return QCoreApplication::translate("vesk::OAuthError", "HTTP %1: %2")
            .arg(status, firstCharacters(said, s_quotedCharacters));
    return QCoreApplication::translate("vesk::OAuthError", "HTTP %1").arg(status);
}

} // namespace

OAuthError::OAuthError(Kind kind, QString payload, QString description, QString details)
    : DescribedError(std::move(description), std::move(details))
    , m_kind(kind)
    , m_payload(std::move(payload))
{}

OAuthError OAuthError::googleError(const QString& error)
{
    const QString description =
        error == u"access_denied"
            ? QCoreApplication::translate(
                  "vesk::OAuthError",
                  "O acesso à conta foi recusado na página da Google, por isso a conta não foi "
                  "ligada.")
            : QCoreApplication::translate("vesk::OAuthError",
                                          "A Google não concluiu a ligação (%1).")
                  .arg(firstCharacters(error.simplified(), s_quotedCodeCharacters));
    OAuthError result(Kind::GoogleError, error, description, QStringLiteral("Google: ") + error);
    result.m_answer.error = error;
    return result;
}

OAuthError OAuthError::http(GoogleErrorBody answer)
{
    const QString details = QStringLiteral("HTTP %1: ").arg(answer.httpStatus) +
                            firstCharacters(answer.text, s_quotedCharacters);
    OAuthError error(Kind::Http, answer.text, sentenceFor(answer), details);
    error.m_answer = std::move(answer);
    return error;
}

OAuthError OAuthError::notConfigured()
{
    return OAuthError(
        Kind::NotConfigured, {},
        QCoreApplication::translate("vesk::OAuthError", "Cliente OAuth não configurado"));
}

OAuthError OAuthError::cancelled()
{
    return OAuthError(Kind::Cancelled, {},
                      QCoreApplication::translate("vesk::OAuthError", "Ligação cancelada"));
}

OAuthError OAuthError::stateMismatch()
{
    return OAuthError(Kind::StateMismatch, {},
                      QCoreApplication::translate("vesk::OAuthError", "Estado OAuth não confere"));
}

OAuthError OAuthError::noCode()
{
    return OAuthError(
        Kind::NoCode, {},
        QCoreApplication::translate("vesk::OAuthError", "A Google não devolveu código"));
}

OAuthError OAuthError::browserUnavailable()
{
    return OAuthError(
        Kind::BrowserUnavailable, {},
        QCoreApplication::translate("vesk::OAuthError", "Não foi possível abrir o navegador."));
}

} // namespace vesk
