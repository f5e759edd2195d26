#pragma once

#include "net/DescribedError.h"

#include <chrono>
#include <optional>

namespace vesk {

/// The error of the Gmail client. Its description is the Portuguese text the
/// user sees when a Gmail call fails.
class GmailError final : public DescribedError
{
public:
    enum class Kind
    {
        Http,
        Transport,
        Decoding,
        Unauthorized,
        HistoryExpired
    };

    /// A final answer outside 200–299; the body is cut to 200 characters in
    /// the description (grapheme clusters, never inside a character).
    static GmailError http(int status, const QString& body,
                           std::optional<std::chrono::milliseconds> retryAfter = std::nullopt);
    static GmailError transport(const QString& text);
    static GmailError decoding(const QString& text);
    static GmailError unauthorized();
    static GmailError historyExpired();

    Kind kind() const { return m_kind; }
    /// For Http: the status code; 0 otherwise.
    int status() const { return m_status; }
    /// For Http: the whole body; for Transport and Decoding: the text.
    const QString& payload() const { return m_payload; }
    /// Google refused the call for quota (429, or a 403 naming a rate limit).
    bool isRateLimit() const;
    /// For Http: the wait the answer's Retry-After asked for, if it had one.
    std::optional<std::chrono::milliseconds> retryAfter() const { return m_retryAfter; }

private:
    GmailError(Kind kind, int status, QString payload, QString description);

    Kind m_kind;
    int m_status;
    QString m_payload;
    std::optional<std::chrono::milliseconds> m_retryAfter;
};

} // namespace vesk
