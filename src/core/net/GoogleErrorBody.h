#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace vesk {

/// Google's answer to a refused call, read once where it arrives, so that
/// kinds and sentences are derived from its fields and never from its text.
///
/// Gmail and Google's other JSON APIs answer
///   {"error": {"code": 403, "message": "…", "status": "PERMISSION_DENIED",
///              "errors": [{"reason": "insufficientPermissions", …}],
///              "details": [{"@type": "…ErrorInfo", "reason": "…"}]}}
/// and the OAuth token endpoint answers
///   {"error": "invalid_client", "error_description": "…"}.
/// Whatever the body holds — another shape, text cut short, HTML from a proxy,
/// bytes meant to hurt — parse() does not fail: the fields it cannot read stay
/// empty and the text is kept. A plain value, usable on any thread.
struct GoogleErrorBody
{
    /// Google's error documents are a few hundred bytes; a larger body is kept
    /// as text but not read as JSON.
    static constexpr qsizetype s_maxParsedBytes = 64 * 1024;

    int httpStatus = 0;
    /// JSON APIs: Google's status name, for example "PERMISSION_DENIED".
    QString status;
    /// JSON APIs: the reason of each entry of "errors", then of "details", in
    /// order; for example "insufficientPermissions", "RATE_LIMIT_EXCEEDED".
    QStringList reasons;
    /// JSON APIs: "message"; token endpoint: "error_description". On one
    /// line, without control characters.
    QString message;
    /// Token endpoint: the "error" code, for example "invalid_grant"; on one
    /// line too, as a sentence may quote it.
    QString error;
    /// The whole body as text; empty when it is not UTF-8.
    QString text;

    static GoogleErrorBody parse(int httpStatus, QByteArrayView body);

    /// The first reason; empty when Google named none.
    QString reason() const { return reasons.value(0); }
    bool hasReason(QStringView reason) const;
    /// Google refusing the call for the moment: 429, or a 403 naming a rate limit.
    bool isRateLimit() const;
    /// A 403 for the account's or the project's quota being spent.
    bool isQuotaSpent() const;
    /// A 403 because the grant lacks the scope (the Gmail permission left unticked).
    bool lacksScope() const;

    friend bool operator==(const GoogleErrorBody&, const GoogleErrorBody&) = default;
};

} // namespace vesk
