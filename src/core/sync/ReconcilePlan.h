#pragma once

#include "model/MessageSummary.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace vesk {

class SummaryTable;
struct LabelInfo;

/// How a full synchronisation brings the cache back to what Google shows:
/// which labels it lists, which of their messages it fetches, and, once every
/// newest page is in, which cached messages lose a label or leave the cache.
///
/// Pure decisions, made by the sync engine between its requests; no I/O.
/// Callable from any thread.
struct ReconcilePlan final
{
    /// A label a full synchronisation looks at.
    struct Target
    {
        QString labelId;
        /// False for a label since deleted at Google: it holds nothing, and
        /// asking for it would only fail.
        bool listed = true;
    };

    /// The first page of a label as Google lists it, newest first, less the
    /// messages that vanished while it was fetched.
    struct Page
    {
        QString labelId;
        QStringList ids;
        /// No further page: the label holds nothing but these.
        bool whole = false;
    };

    /// Cached messages that stay but lose the labels whose newest page no
    /// longer shows them.
    QList<MessageSummary> kept;
    /// Cached messages in no loaded label any more.
    QStringList removed;

    /// The inbox first, then every other loaded label by id. `labels` are
    /// the account's labels as Google just listed them.
    static QList<Target> targets(const QSet<QString>& loadedLabels, const QList<LabelInfo>& labels);
    /// The listed messages this synchronisation has not fetched yet, in
    /// page order. Messages fetched for an earlier page, or by an earlier
    /// attempt, are at least as fresh as the history id it started from.
    static QStringList toFetch(const QStringList& listed, const QSet<QString>& fetched);
    /// `pages` as fetched, `cached` and `loadedLabels` as the cache holds
    /// them once the pages' messages are in.
    static ReconcilePlan of(const QList<Page>& pages, const SummaryTable& cached,
                            const QSet<QString>& loadedLabels);
};

} // namespace vesk
