#pragma once

#include "HttpCall.h"
#include "HttpReply.h"

#include <functional>
#include <memory>
#include <thread>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace vesk::fakegoogle {

struct FaultRule;
struct GoogleState;

// The HTTP/1.1 server in front of the stand-in: cpp-httplib on 127.0.0.1,
// one listening thread and a pool of connection threads. Each request is
// logged, meets its faults, is answered by `route` under the state's lock,
// and is written out, distorted when a fault says so.
class HttpFrontend final
{
public:
    using Route = std::function<HttpReply(const HttpCall&)>;

    HttpFrontend(GoogleState& state, Route route);
    ~HttpFrontend();
    HttpFrontend(const HttpFrontend&) = delete;
    HttpFrontend& operator=(const HttpFrontend&) = delete;

    bool start(quint16 port); // 0: any free port
    void stop();
    quint16 port() const { return m_port; }

private:
    void serve(const httplib::Request& request, httplib::Response& response);
    static HttpCall toCall(const httplib::Request& request);
    static void write(const HttpReply& reply, const FaultRule* shaping,
                      httplib::Response& response);

    GoogleState& m_state;
    Route m_route;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_listener;
    quint16 m_port = 0;
};

} // namespace vesk::fakegoogle
