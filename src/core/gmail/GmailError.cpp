#include "GmailError.h"

#include <QCoreApplication>

namespace vesk {

namespace {

/// How much of Google's message a sentence quotes: a line, not a page.
constexpr int s_quotedCharacters = 200;

/// What happened and, where we know it, what helps; Google's own message
/// when we have no sentence for the refusal.
QString sentenceFor(const GoogleErrorBody& answer)
{
    const QString status = QString::number(answer.httpStatus);
    if (answer.lacksScope())
        return QCoreApplication::translate(
            "vesk::GmailError",
            "Falta a permissão do Gmail: não foi marcada na página da Google. É preciso "
            "ligar a conta de novo e marcar a permissão do Gmail.");
    if (answer.httpStatus == 401)
        return QCoreApplication::translate(
                   "vesk::GmailError",
                   "A Google deixou de aceitar o acesso a esta conta (HTTP %1). É preciso ligá-la "
                   "de novo.")
            .arg(status);
    if (answer.isRateLimit() || answer.isQuotaSpent())
        return QCoreApplication::translate(
                   "vesk::GmailError",
                   "O Gmail limitou os pedidos desta conta por agora (HTTP %1). Passa por si "
                   "daqui a pouco.")
            .arg(status);
    if (answer.httpStatus == 404)
        return QCoreApplication::translate(
                   "vesk::GmailError",
                   "O Gmail não encontrou o que foi pedido (HTTP %1): pode ter sido apagado "
                   "entretanto.")
            .arg(status);
    if (!answer.message.isEmpty())
        return QCoreApplication::translate("vesk::GmailError", "HTTP %1: %2")
            .arg(status, firstCharacters(answer.message, s_quotedCharacters));
    return QCoreApplication::translate("vesk::GmailError", "HTTP %1").arg(status);
}

} // namespace

GmailError::GmailError(Kind kind, QString payload, QString description, QString details)
    : DescribedError(std::move(description), std::move(details))
    , m_kind(kind)
    , m_payload(std::move(payload))
{}

GmailError GmailError::http(GoogleErrorBody answer,
                            std::optional<std::chrono::milliseconds> retryAfter)
{
    const QString details = QStringLiteral("HTTP %1: ").arg(answer.httpStatus) +
                            firstCharacters(answer.text, s_quotedCharacters);
    GmailError error(Kind::Http, answer.text, sentenceFor(answer), details);
    error.m_answer = std::move(answer);
    error.m_retryAfter = retryAfter;
    return error;
}

GmailError GmailError::transport(const QString& text)
{
    return GmailError(Kind::Transport, text,
                      QCoreApplication::translate("vesk::GmailError", "Transporte: %1").arg(text));
}

GmailError GmailError::decoding(const QString& text)
{
    return GmailError(
        Kind::Decoding, text,
        QCoreApplication::translate("vesk::GmailError", "Descodificação: %1").arg(text));
}

GmailError GmailError::unauthorized()
{
    // Only the token vault raises it: the account has no tokens stored.
    return GmailError(Kind::Unauthorized, {},
                      QCoreApplication::translate(
                          "vesk::GmailError",
                          "Não autorizado: não há credenciais guardadas para esta conta. É "
                          "preciso ligá-la de novo."));
}

GmailError GmailError::historyExpired()
{
    return GmailError(Kind::HistoryExpired, {},
                      QCoreApplication::translate("vesk::GmailError", "Histórico expirado"));
}

} // namespace vesk
