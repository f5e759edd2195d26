#include "GmailError.h"

#include "net/RetryDecision.h"

namespace vesk {

GmailError::GmailError(Kind kind, int status, QString payload, QString description)
    : DescribedError(std::move(description))
    , m_kind(kind)
    , m_status(status)
    , m_payload(std::move(payload))
{}

GmailError GmailError::http(int status, const QString& body,
                            std::optional<std::chrono::milliseconds> retryAfter)
{
    GmailError error(Kind::Http, status, body,
                     QStringLiteral("HTTP %1: ").arg(status) + firstCharacters(body, 200));
    error.m_retryAfter = retryAfter;
    return error;
}

bool GmailError::isRateLimit() const
{
    return m_kind == Kind::Http && isRateLimitRefusal(m_status, m_payload.toUtf8());
}

GmailError GmailError::transport(const QString& text)
{
    return GmailError(Kind::Transport, 0, text, QStringLiteral("Transporte: ") + text);
}

GmailError GmailError::decoding(const QString& text)
{
    return GmailError(Kind::Decoding, 0, text, QStringLiteral("Descodificação: ") + text);
}

GmailError GmailError::unauthorized()
{
    return GmailError(Kind::Unauthorized, 0, {}, QStringLiteral("Não autorizado"));
}

GmailError GmailError::historyExpired()
{
    return GmailError(Kind::HistoryExpired, 0, {}, QStringLiteral("Histórico expirado"));
}

} // namespace vesk
