#pragma once

#include "model/ThreadSummary.h"

#include <QList>

namespace vesk {

/// The row operations that turn the threads a list shows into a fresh list,
/// keyed by thread id, in the order a model announces them: the rows that
/// are gone (from the bottom up, neighbours together), then from the top each
/// row made to hold its fresh thread, by moving it up, inserting the new
/// threads there, or changing its content.
///
/// A pure value: it can be computed on any thread, against a copy of the rows.
struct ThreadListDiff
{
    struct Step
    {
        enum class Kind
        {
            /// Rows `first` to `last` go.
            Remove,
            /// The row at `first` moves up to `last`.
            Move,
            /// Rows `first` to `last` are new: fresh's threads at those rows.
            Insert,
            /// Row `first` keeps its thread with another content.
            Change,
        };
        Kind kind;
        int first;
        int last;

        friend bool operator==(const Step&, const Step&) = default;
    };

    /// The fresh list with a repeated thread id kept at its first place only,
    /// which keeps rows unambiguous.
    QList<ThreadSummary> fresh;
    QList<Step> steps;

    /// Nothing to do: the rows already hold `fresh`.
    bool isEmpty() const { return steps.isEmpty(); }

    /// `shown` must hold each thread id once, as a model's rows do.
    static ThreadListDiff between(const QList<ThreadSummary>& shown,
                                  const QList<ThreadSummary>& fresh);
};

} // namespace vesk
