#include "OAuthError.h"

namespace vesk {

OAuthError::OAuthError(Kind kind, int status, QString payload, QString description)
    : DescribedError(std::move(description))
    , m_kind(kind)
    , m_status(status)
    , m_payload(std::move(payload))
{}

OAuthError OAuthError::googleError(const QString& error)
{
    return OAuthError(Kind::GoogleError, 0, error, QStringLiteral("Google: ") + error);
}

OAuthError OAuthError::http(int status, const QString& body)
{
    return OAuthError(Kind::Http, status, body,
                      QStringLiteral("HTTP %1: ").arg(status) + firstCharacters(body, 200));
}

OAuthError OAuthError::notConfigured()
{
    return OAuthError(Kind::NotConfigured, 0, {}, QStringLiteral("Cliente OAuth não configurado"));
}

OAuthError OAuthError::cancelled()
{
    return OAuthError(Kind::Cancelled, 0, {}, QStringLiteral("Ligação cancelada"));
}

OAuthError OAuthError::stateMismatch()
{
    return OAuthError(Kind::StateMismatch, 0, {}, QStringLiteral("Estado OAuth não confere"));
}

OAuthError OAuthError::noCode()
{
    return OAuthError(Kind::NoCode, 0, {}, QStringLiteral("A Google não devolveu código"));
}

OAuthError OAuthError::browserUnavailable()
{
    return OAuthError(Kind::BrowserUnavailable, 0, {},
                      QStringLiteral("Não foi possível abrir o navegador."));
}

} // namespace vesk
