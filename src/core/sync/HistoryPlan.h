#pragma once

#include "model/MessageSummary.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace vesk {

class SummaryTable;
struct HistoryListDTO;

/// What the history since the stored history id asks of the cache: a pure
/// decision, made before anything is written or fetched, that the sync engine
/// then applies in this order: remove, relabel, fetch, move the history id.
///
/// A value; no I/O. Callable from any thread.
struct HistoryPlan final
{
    /// Messages deleted anywhere in the range, first named first. A message
    /// deleted after it was added or relabelled in the same range is gone,
    /// so it is neither fetched nor relabelled.
    QStringList removed;
    /// Cached messages whose last change said which labels they carry now,
    /// with those labels: they need no request.
    QList<MessageSummary> relabelled;
    /// Messages to fetch, first named first, not fetched for this range yet:
    /// new mail; cached messages whose last change did not say their labels;
    /// and uncached ones given a loaded label, which may now belong on its
    /// loaded pages. Any other label change to a message the cache lacks
    /// costs nothing: that message lies below every loaded page.
    QStringList toFetch;
    /// Where the history stands once the plan is applied; absent when no
    /// page said.
    std::optional<QString> historyId;

    /// `pages` are every page of one history range, in Google's order;
    /// `cached` is the cache before the plan; `loadedLabels` the labels with
    /// at least one page in the cache; `alreadyFetched` holds the messages an
    /// earlier, interrupted attempt at the same range fetched.
    static HistoryPlan of(const QList<HistoryListDTO>& pages, const SummaryTable& cached,
                          const QSet<QString>& loadedLabels, const QSet<QString>& alreadyFetched);
};

} // namespace vesk
