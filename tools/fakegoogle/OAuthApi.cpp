#include "OAuthApi.h"

#include "GoogleError.h"
#include "GoogleState.h"
#include "HttpCall.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QUrl>

namespace vesk::fakegoogle {

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 s_codeLifetimeMs = 10 * 60 * 1000;

// Errors on the consent page are shown to the person in the browser, not
// sent to the redirect address, exactly when the address cannot be trusted.
HttpReply errorPage(int status, const QString& error, const QString& detail)
{
    HttpReply reply;
    reply.status = status;
    reply.contentType = "text/html; charset=utf-8";
    reply.body = "<!DOCTYPE html><html lang=\"en\"><title>Error " + QByteArray::number(status) +
                 "</title><p><b>Error " + QByteArray::number(status) + ": " +
                 error.toHtmlEscaped().toUtf8() + "</b></p><p>" + detail.toHtmlEscaped().toUtf8() +
                 "</p></html>";
    return reply;
}

bool isLoopbackRedirect(const QUrl& url)
{
    return url.isValid() && url.scheme() == u"http"_s && url.port() > 0 &&
           (url.host() == u"127.0.0.1"_s || url.host() == u"::1"_s ||
            url.host() == u"localhost"_s) &&
           !url.hasFragment();
}

HttpReply redirect(QUrl target, const QList<QPair<QString, QString>>& items)
{
    if (target.path().isEmpty())
        target.setPath(u"/"_s);
    QByteArray query = target.query(QUrl::FullyEncoded).toLatin1();
    const QByteArray extra = QueryItems::encode(items);
    query = query.isEmpty() ? extra : query + '&' + extra;
    HttpReply reply;
    reply.status = 302;
    reply.contentType = "text/html; charset=UTF-8";
    reply.headers.append(qMakePair(QByteArray("Location"),
                                   target.toString(QUrl::RemoveQuery).toUtf8() + '?' + query));
    return reply;
}

QString bearer(const HttpCall& call)
{
    const QByteArray value = call.header("Authorization");
    return value.toLower().startsWith("bearer ") ? QString::fromLatin1(value.mid(7).trimmed())
                                                 : QString();
}

} // namespace

OAuthApi::OAuthApi(GoogleState& state)
    : m_state(state)
{}

bool OAuthApi::owns(const QString& path)
{
    return path == u"/o/oauth2/v2/auth"_s || path == u"/token"_s || path == u"/revoke"_s ||
           path == u"/v1/userinfo"_s || path == u"/oauth2/v3/userinfo"_s;
}

HttpReply OAuthApi::handle(const HttpCall& call)
{
    if (call.path == u"/o/oauth2/v2/auth"_s && call.method == u"GET"_s)
        return authorize(call);
    if (call.path == u"/token"_s && call.method == u"POST"_s)
        return token(call);
    if (call.path == u"/revoke"_s && (call.method == u"POST"_s || call.method == u"GET"_s))
        return revoke(call);
    if (call.path.endsWith(u"/userinfo"_s) && (call.method == u"GET"_s || call.method == u"POST"_s))
        return userInfo(call);
    return googleerror::api(405, u"Method Not Allowed"_s, u"methodNotAllowed"_s);
}

HttpReply OAuthApi::authorize(const HttpCall& call)
{
    const QueryItems& q = call.query;
    const QString clientId = q.value(u"client_id"_s);
    if (!m_state.oauth.hasClient(clientId))
        return errorPage(401, u"invalid_client"_s, u"The OAuth client was not found."_s);
    const QUrl redirectUri(q.value(u"redirect_uri"_s), QUrl::StrictMode);
    if (!isLoopbackRedirect(redirectUri))
        return errorPage(400, u"redirect_uri_mismatch"_s,
                         u"You can't sign in to this app because it doesn't comply with Google's "
                         u"OAuth 2.0 policy."_s);
    // From here on Google reports problems to the application, through the redirect.
    QList<QPair<QString, QString>> answer;
    if (q.has(u"state"_s))
        answer.append({u"state"_s, q.value(u"state"_s)});
    const auto fail = [&](const QString& error, const QString& description) {
        auto items = answer;
        items.prepend({u"error_description"_s, description});
        items.prepend({u"error"_s, error});
        return redirect(redirectUri, items);
    };
    if (q.value(u"response_type"_s) != u"code"_s)
        return fail(u"unsupported_response_type"_s, u"Invalid response_type"_s);
    const QString scope = q.value(u"scope"_s);
    if (scope.trimmed().isEmpty())
        return fail(u"invalid_request"_s, u"Missing required parameter: scope"_s);
    const QString method = q.value(u"code_challenge_method"_s);
    const QString challenge = q.value(u"code_challenge"_s);
    if (!challenge.isEmpty() && method != u"S256"_s && method != u"plain"_s && !method.isEmpty())
        return fail(u"invalid_request"_s, u"Invalid code_challenge_method"_s);
    if (!challenge.isEmpty() && !OAuthRegistry::isPkceVerifierValid(challenge))
        return fail(u"invalid_request"_s, u"Invalid code_challenge"_s);
    if (challenge.isEmpty() && !method.isEmpty())
        return fail(u"invalid_request"_s, u"Missing code_challenge"_s);
    Mailbox* account = m_state.consentMailbox(q.value(u"login_hint"_s));
    if (!m_state.consentError.isEmpty() || !account)
        return redirect(redirectUri,
                        QList<QPair<QString, QString>>{{u"error"_s, m_state.consentError.isEmpty()
                                                                        ? u"access_denied"_s
                                                                        : m_state.consentError}} +
                            answer);
    const QString granted = OAuthRegistry::normaliseScope(scope);
    OAuthRegistry::Code code{clientId,
                             q.value(u"redirect_uri"_s),
                             challenge,
                             method.isEmpty() ? u"plain"_s : method,
                             account->email(),
                             granted,
                             m_state.nowMs() + s_codeLifetimeMs};
    answer.append({u"code"_s, m_state.oauth.issueCode(code)});
    answer.append({u"scope"_s, granted});
    answer.append({u"authuser"_s, u"0"_s});
    answer.append({u"prompt"_s, u"consent"_s});
    return redirect(redirectUri, answer);
}

HttpReply OAuthApi::token(const HttpCall& call)
{
    const QueryItems form = QueryItems::parse(call.body);
    const QString clientId = form.value(u"client_id"_s);
    if (!m_state.oauth.hasClient(clientId))
        return googleerror::oauth(401, u"invalid_client"_s, u"The OAuth client was not found."_s);
    // Desktop clients have a secret and must send it.
    if (!form.has(u"client_secret"_s))
        return googleerror::oauth(400, u"invalid_request"_s, u"client_secret is missing."_s);
    if (!m_state.oauth.secretMatches(clientId, form.value(u"client_secret"_s)))
        return googleerror::oauth(401, u"invalid_client"_s, u"Unauthorized"_s);
    const QString grantType = form.value(u"grant_type"_s);
    if (grantType == u"authorization_code"_s)
        return exchangeCode(form);
    if (grantType == u"refresh_token"_s)
        return refresh(form);
    if (grantType.isEmpty())
        return googleerror::oauth(400, u"unsupported_grant_type"_s, u"Invalid grant_type: "_s);
    return googleerror::oauth(400, u"unsupported_grant_type"_s,
                              u"Invalid grant_type: "_s + grantType);
}

HttpReply OAuthApi::exchangeCode(const QueryItems& form)
{
    if (!form.has(u"code"_s))
        return googleerror::oauth(400, u"invalid_request"_s, u"Missing required parameter: code"_s);
    const auto code = m_state.oauth.takeCode(form.value(u"code"_s));
    if (!code || code->expiresAtMs <= m_state.nowMs() ||
        code->clientId != form.value(u"client_id"_s))
        return googleerror::oauth(400, u"invalid_grant"_s, u"Bad Request"_s);
    if (code->redirectUri != form.value(u"redirect_uri"_s))
        return googleerror::oauth(400, u"redirect_uri_mismatch"_s, u"Bad Request"_s);
    if (!code->challenge.isEmpty()) {
        const QString verifier = form.value(u"code_verifier"_s);
        if (verifier.isEmpty())
            return googleerror::oauth(400, u"invalid_grant"_s, u"Missing code verifier."_s);
        const QString expected =
            code->challengeMethod == u"S256"_s ? OAuthRegistry::s256(verifier) : verifier;
        if (!OAuthRegistry::isPkceVerifierValid(verifier) || expected != code->challenge)
            return googleerror::oauth(400, u"invalid_grant"_s, u"Invalid code verifier."_s);
    }
    const TokenGrant grant = m_state.oauth.issueTokens(
        code->account, code->clientId, code->scope, m_state.nowMs(), m_state.tokenLifetimeSeconds);
    QJsonObject answer{{u"access_token"_s, grant.accessToken},
                       {u"expires_in"_s, m_state.tokenLifetimeSeconds},
                       {u"refresh_token"_s, grant.refreshToken},
                       {u"scope"_s, grant.scope},
                       {u"token_type"_s, u"Bearer"_s}};
    if (grant.scope.split(u' ').contains(u"openid"_s)) {
        // An unsigned stand-in for the ID token: right shape, no signature.
        const QJsonObject claims{
            {u"iss"_s, u"https://accounts.google.com"_s},
            {u"aud"_s, code->clientId},
            {u"sub"_s, QString::fromLatin1(
                           QCryptographicHash::hash(code->account.toUtf8(), QCryptographicHash::Md5)
                               .toHex())},
            {u"email"_s, code->account},
            {u"email_verified"_s, true},
            {u"iat"_s, m_state.nowMs() / 1000},
            {u"exp"_s, m_state.nowMs() / 1000 + 3600}};
        const auto part = [](const QByteArray& json) {
            return json.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
        };
        answer[u"id_token"_s] = QString::fromLatin1(
            part(R"({"alg":"RS256","kid":"fakegoogle","typ":"JWT"})") + '.' +
            part(QJsonDocument(claims).toJson(QJsonDocument::Compact)) + ".c2lnbmF0dXJl");
    }
    return HttpReply::json(answer);
}

HttpReply OAuthApi::refresh(const QueryItems& form)
{
    const QString refreshToken = form.value(u"refresh_token"_s);
    if (refreshToken.isEmpty())
        return googleerror::oauth(400, u"invalid_request"_s,
                                  u"Missing required parameter: refresh_token"_s);
    const auto grant = m_state.oauth.refreshGrant(refreshToken);
    if (!grant || grant->clientId != form.value(u"client_id"_s))
        return googleerror::oauth(400, u"invalid_grant"_s, u"Token has been expired or revoked."_s);
    const TokenGrant fresh =
        m_state.oauth.refresh(*grant, refreshToken, m_state.nowMs(), m_state.tokenLifetimeSeconds);
    // No new refresh token: Google keeps the one the client already holds.
    return HttpReply::json(QJsonObject{{u"access_token"_s, fresh.accessToken},
                                       {u"expires_in"_s, m_state.tokenLifetimeSeconds},
                                       {u"scope"_s, fresh.scope},
                                       {u"token_type"_s, u"Bearer"_s}});
}

HttpReply OAuthApi::revoke(const HttpCall& call)
{
    QString token = QueryItems::parse(call.body).value(u"token"_s);
    if (token.isEmpty())
        token = call.query.value(u"token"_s);
    if (token.isEmpty())
        return googleerror::oauth(400, u"invalid_request"_s, u"Bad Request"_s);
    if (!m_state.oauth.revoke(token))
        return googleerror::oauth(400, u"invalid_token"_s, u"Token expired or revoked"_s);
    HttpReply reply;
    reply.body = "{}";
    return reply;
}

HttpReply OAuthApi::userInfo(const HttpCall& call)
{
    const auto grant = m_state.oauth.accessGrant(bearer(call), m_state.nowMs());
    Mailbox* mailbox = grant ? m_state.mailbox(grant->account) : nullptr;
    if (!mailbox) {
        HttpReply reply = googleerror::oauth(401, u"invalid_request"_s, u"Invalid Credentials"_s);
        reply.headers.append(qMakePair(
            QByteArray("WWW-Authenticate"),
            QByteArray(R"(Bearer realm="https://accounts.google.com/", error="invalid_token")")));
        return reply;
    }
    const QString sub = QString::fromLatin1(
        QCryptographicHash::hash(mailbox->email().toUtf8(), QCryptographicHash::Md5).toHex());
    QJsonObject answer{{u"sub"_s, sub},
                       {u"email"_s, mailbox->email()},
                       {u"email_verified"_s, true},
                       {u"picture"_s, u"https://lh3.googleusercontent.com/a/default-user=s96-c"_s}};
    if (!mailbox->name().isEmpty()) {
        answer[u"name"_s] = mailbox->name();
        answer[u"given_name"_s] = mailbox->name().section(u' ', 0, 0);
        if (mailbox->name().contains(u' '))
            answer[u"family_name"_s] = mailbox->name().section(u' ', 1);
    }
    return HttpReply::json(answer);
}

} // namespace vesk::fakegoogle
