#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vesk {

/// What one browser request to the loopback receiver says, and the page that
/// answers it. Pure: the receiver feeds it the request head it has read.
struct LoopbackRedirect
{
    enum class Verdict
    {
        /// Neither code nor error (a site icon, a reload): answered, settles nothing.
        Waiting,
        GoogleError,
        StateMismatch,
        Code
    };

    Verdict verdict = Verdict::Waiting;
    /// Google's error value for GoogleError, the authorisation code for Code.
    QString value;

    /// Reads the request line of `head` (bytes up to the blank line, or what
    /// arrived) and compares its "state" with `expectedState`, exactly. A code and
    /// Google's error alike count only with the expected state; with both
    /// present, the error wins.
    static LoopbackRedirect classify(const QByteArray& head, const QString& expectedState);

    /// The whole HTTP answer: status 200 whatever the verdict, the page in
    /// UTF-8 with its length in bytes, and the connection closed after it.
    /// For Code it is the page of a linking that succeeded; for GoogleError
    /// with access_denied, that the user refused access.
    QByteArray response() const;
    /// The answer to a redirect whose linking failed, with the reason: the
    /// sentence VESK shows, which says what happened and what helps.
    static QByteArray failureResponse(const QString& reason);

    /// The page: the title as heading, then one paragraph per text. Title and
    /// texts are plain text, escaped here.
    static QString page(const QString& title, const QStringList& paragraphs);

private:
    static QByteArray answer(const QString& title, const QStringList& paragraphs);
};

} // namespace vesk
