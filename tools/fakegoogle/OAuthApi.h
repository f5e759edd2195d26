#pragma once

#include "HttpReply.h"

#include <QString>

namespace vesk::fakegoogle {

class QueryItems;
struct GoogleState;
struct HttpCall;

// Google's OAuth 2.0 endpoints for an installed application (consent,
// token, revocation) and the OpenID Connect userinfo endpoint. The consent
// page is skipped: the signed-in account agrees (or refuses, when told to)
// at once and the browser is redirected. Called with the state's lock held.
class OAuthApi final
{
public:
    explicit OAuthApi(GoogleState& state);

    static bool owns(const QString& path);
    HttpReply handle(const HttpCall& call);

private:
    HttpReply authorize(const HttpCall& call);
    HttpReply token(const HttpCall& call);
    HttpReply exchangeCode(const QueryItems& form);
    HttpReply refresh(const QueryItems& form);
    HttpReply revoke(const HttpCall& call);
    HttpReply userInfo(const HttpCall& call);

    GoogleState& m_state;
};

} // namespace vesk::fakegoogle
