#pragma once

#include <QString>
#include <QUuid>

#include <optional>

namespace vesk {

/// One attachment download of this run of the program, as the transfer list
/// shows it. A plain value: the transfer manager replaces fields of its copy
/// and announces each change separately.
struct TransferItem
{
    /// Running, then done or failed for good; a failure carries the sentence
    /// the user sees and the details as they came.
    struct State
    {
        enum class Case
        {
            Running,
            Done,
            Failed
        };

        Case kind = Case::Running;
        /// Only for Failed: the description of the error.
        QString failure;
        /// Only for Failed: what came in (Google's answer, the platform's text).
        QString failureDetails;

        static State running() { return {}; }
        static State done() { return {Case::Done, {}, {}}; }
        static State failed(QString text, QString details = QString())
        {
            return {Case::Failed, std::move(text), std::move(details)};
        }

        bool isRunning() const { return kind == Case::Running; }
        bool isFinished() const { return kind != Case::Running; }

        friend bool operator==(const State&, const State&) = default;
    };

    /// Random; the identity of the item, also while its other fields change.
    QUuid id;
    /// The attachment's own name, not the name chosen in the save dialog.
    QString filename;
    QString accountEmail;
    /// Bytes of the answer received so far.
    qint64 received = 0;
    /// Bytes of the answer announced by the server; 0 while unknown.
    qint64 expected = 0;
    State state;
    /// Where the file was written; set once the download is done.
    std::optional<QString> savedURL;

    /// received ÷ expected in 0…1; 0 while no length is known.
    double fraction() const
    {
        if (expected < 1)
            return 0.0;
        return qBound(0.0, double(received) / double(expected), 1.0);
    }

    friend bool operator==(const TransferItem&, const TransferItem&) = default;
};

} // namespace vesk
