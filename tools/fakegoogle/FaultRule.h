#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace vesk::fakegoogle {

// One misbehaviour that the stand-in shows on requests whose method and path
// match. Rules are tried in the order they were added; the first one with
// uses left is spent on a request. Latency and the shaping kinds wrap the real
// answer; Status replaces it without touching the mailbox, which is what a
// failing front end at Google does too.
struct FaultRule
{
    enum class Kind
    {
        Status,          // answer `status` with `headers` and `body` instead of the real answer
        Delay,           // wait `delayMs` before answering normally
        NoContentLength, // real answer, body delimited by closing the connection
        SlowChunks,      // real answer, `chunkBytes` every `chunkIntervalMs`: chunked, or
                         // with its Content-Length when `announceLength`
        DropConnection,  // real head with its Content-Length, then close after `dropAfterBytes`
    };

    Kind kind = Kind::Status;
    QString method;      // "GET", "POST", ...; empty matches any method
    QString pathPattern; // regular expression matched against the whole path (no query)
    int times = 1;       // uses left; a negative number never runs out

    int status = 500;
    QList<QPair<QByteArray, QByteArray>> headers; // extra headers, e.g. Retry-After
    QByteArray body;                              // empty: Google's error body for `status`

    int delayMs = 0;
    int chunkBytes = 1024;
    int chunkIntervalMs = 50;
    bool announceLength = false;
    qint64 dropAfterBytes = 0;
};

} // namespace vesk::fakegoogle
