#include "HttpFrontend.h"

#include "FaultRule.h"
#include "GoogleError.h"
#include "GoogleState.h"

#include <chrono>
#include <httplib.h>

namespace vesk::fakegoogle {

namespace {

constexpr int s_connectionThreads = 24;

std::string toStd(const QByteArray& bytes)
{
    return std::string(bytes.constData(), size_t(bytes.size()));
}

HttpReply faultReply(const FaultRule& rule)
{
    HttpReply reply = googleerror::forStatus(rule.status);
    reply.status = rule.status;
    if (!rule.body.isEmpty())
        reply.body = rule.body;
    reply.headers += rule.headers;
    return reply;
}

} // namespace

HttpFrontend::HttpFrontend(GoogleState& state, Route route)
    : m_state(state)
    , m_route(std::move(route))
{}

HttpFrontend::~HttpFrontend()
{
    stop();
}

bool HttpFrontend::start(quint16 port)
{
    if (m_server)
        return true;
    m_server = std::make_unique<httplib::Server>();
    // Clients keep several connections open at once (Qt opens up to six per
    // host); each holds a pool thread while it is kept alive.
    m_server->new_task_queue = [] { return new httplib::ThreadPool(s_connectionThreads); };
    m_server->set_keep_alive_max_count(100);
    m_server->set_keep_alive_timeout(3);
    // Head and body go out as separate writes; without this, delayed ACKs
    // would hold every kept-alive answer back by tens of milliseconds.
    m_server->set_tcp_nodelay(true);
    const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        serve(request, response);
    };
    m_server->Get(".*", handler);
    m_server->Post(".*", handler);
    m_server->Put(".*", handler);
    m_server->Patch(".*", handler);
    m_server->Delete(".*", handler);
    m_server->set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
            write(googleerror::forStatus(500), nullptr, response);
        });
    const int bound = port == 0 ? m_server->bind_to_any_port("127.0.0.1")
                                : (m_server->bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound <= 0) {
        m_server.reset();
        return false;
    }
    m_port = quint16(bound);
    m_listener = std::thread([server = m_server.get()] { server->listen_after_bind(); });
    // The server's stop() does nothing until it runs, so a stop right after a
    // start would wait for ever; do not return before it accepts.
    for (int waited = 0; !m_server->is_running() && waited < 5000; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return m_server->is_running();
}

void HttpFrontend::stop()
{
    if (!m_server)
        return;
    m_server->stop();
    if (m_listener.joinable())
        m_listener.join();
    m_server.reset();
    m_port = 0;
}

HttpCall HttpFrontend::toCall(const httplib::Request& request)
{
    HttpCall call;
    call.method = QString::fromStdString(request.method);
    call.path = QString::fromStdString(request.path);
    const auto question = request.target.find('?');
    if (question != std::string::npos)
        call.query =
            QueryItems::parse(QByteArray::fromStdString(request.target.substr(question + 1)));
    for (const auto& [name, value] : request.headers) {
        // cpp-httplib files the peer's addresses among the headers; they were never sent.
        if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
            name == "LOCAL_PORT")
            continue;
        call.headers.append({QByteArray::fromStdString(name), QByteArray::fromStdString(value)});
    }
    call.body = QByteArray::fromStdString(request.body);
    return call;
}

void HttpFrontend::serve(const httplib::Request& request, httplib::Response& response)
{
    const HttpCall call = toCall(request);
    FaultTable::Match fault;
    {
        std::lock_guard lock(m_state.mutex);
        m_state.log.append({call.method, call.path, call.query.items(), call.headers, call.body});
        fault = m_state.faults.take(call.method, call.path);
    }
    if (fault.delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(fault.delayMs));
    if (fault.rule && fault.rule->kind == FaultRule::Kind::Status) {
        write(faultReply(*fault.rule), nullptr, response);
        return;
    }
    HttpReply reply;
    {
        std::lock_guard lock(m_state.mutex);
        reply = m_route(call);
    }
    write(reply, fault.rule ? &*fault.rule : nullptr, response);
}

void HttpFrontend::write(const HttpReply& reply, const FaultRule* shaping,
                         httplib::Response& response)
{
    response.status = reply.status;
    for (const auto& [name, value] : reply.headers)
        response.set_header(toStd(name), toStd(value));
    if (reply.status == 204 || reply.status == 304)
        return;
    const std::string type = toStd(reply.contentType);
    auto body = std::make_shared<std::string>(toStd(reply.body));
    using Kind = FaultRule::Kind;
    if (!shaping || shaping->kind == Kind::Delay) {
        response.set_content(*body, type);
    } else if (shaping->kind == Kind::NoContentLength) {
        // Without a length and without chunking, the body ends when the
        // server closes the connection. cpp-httplib would keep the connection
        // open after sink.done(), so the provider ends it by refusing to go on
        // once everything is written.
        response.set_header("Connection", "close");
        response.set_content_provider(type, [body](size_t offset, httplib::DataSink& sink) {
            if (offset >= body->size())
                return false;
            return sink.write(body->data() + offset, body->size() - offset);
        });
    } else if (shaping->kind == Kind::SlowChunks && shaping->announceLength) {
        const size_t chunk = size_t(std::max(1, shaping->chunkBytes));
        const auto pause = std::chrono::milliseconds(shaping->chunkIntervalMs);
        response.set_content_provider(
            body->size(), type,
            [body, chunk, pause](size_t offset, size_t length, httplib::DataSink& sink) {
                if (offset > 0)
                    std::this_thread::sleep_for(pause);
                return sink.write(body->data() + offset, std::min(chunk, length));
            });
    } else if (shaping->kind == Kind::SlowChunks) {
        const size_t chunk = size_t(std::max(1, shaping->chunkBytes));
        const auto pause = std::chrono::milliseconds(shaping->chunkIntervalMs);
        response.set_chunked_content_provider(
            type, [body, chunk, pause](size_t offset, httplib::DataSink& sink) {
                if (offset >= body->size()) {
                    sink.done();
                    return true;
                }
                if (offset > 0)
                    std::this_thread::sleep_for(pause);
                return sink.write(body->data() + offset, std::min(chunk, body->size() - offset));
            });
    } else if (shaping->kind == Kind::DropConnection) {
        const size_t cut =
            size_t(std::clamp<qint64>(shaping->dropAfterBytes, 0, qint64(body->size())));
        // The head promises the whole body; the provider gives up part way,
        // which makes the server close the connection mid-answer.
        response.set_content_provider(body->size(), type,
                                      [body, cut](size_t offset, size_t, httplib::DataSink& sink) {
                                          if (offset < cut) {
                                              sink.write(body->data() + offset, cut - offset);
                                              return true;
                                          }
                                          return false;
                                      });
    }
}

} // namespace vesk::fakegoogle
