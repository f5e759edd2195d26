#pragma once

#include "net/DescribedError.h"
#include "net/GoogleErrorBody.h"

#include <chrono>
#include <optional>

namespace vesk {

/// The error of the Gmail client. Its description is the Portuguese sentence
/// the user sees when a Gmail call fails: for a refusal, derived from what
/// Google's answer says (its status and reason), with Google's own message
/// when there is no sentence of ours. The details keep the answer as it came.
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

    /// A final answer outside 200–299, as parsed where it arrived. The
    /// details read "HTTP <status>: " and the body cut to 200 characters
    /// (grapheme clusters, never inside a character).
    static GmailError http(GoogleErrorBody answer,
                           std::optional<std::chrono::milliseconds> retryAfter = std::nullopt);
    static GmailError transport(const QString& text);
    static GmailError decoding(const QString& text);
    static GmailError unauthorized();
    static GmailError historyExpired();

    Kind kind() const { return m_kind; }
    /// For Http: the status code; 0 otherwise.
    int status() const { return m_answer.httpStatus; }
    /// For Http: Google's status name ("PERMISSION_DENIED"); empty otherwise.
    const QString& googleStatus() const { return m_answer.status; }
    /// For Http: the first reason Google named ("insufficientPermissions").
    QString reason() const { return m_answer.reason(); }
    /// For Http: Google's own message, on one line.
    const QString& googleMessage() const { return m_answer.message; }
    /// For Http: everything read of Google's answer.
    const GoogleErrorBody& answer() const { return m_answer; }
    /// For Http: the whole body; for Transport and Decoding: the text.
    const QString& payload() const { return m_payload; }
    /// Google refused the call for quota (429, or a 403 naming a rate limit).
    bool isRateLimit() const { return m_kind == Kind::Http && m_answer.isRateLimit(); }
    /// For Http: the wait the answer's Retry-After asked for, if it had one.
    std::optional<std::chrono::milliseconds> retryAfter() const { return m_retryAfter; }

private:
    GmailError(Kind kind, QString payload, QString description, QString details = QString());

    Kind m_kind;
    GoogleErrorBody m_answer;
    QString m_payload;
    std::optional<std::chrono::milliseconds> m_retryAfter;
};

} // namespace vesk
