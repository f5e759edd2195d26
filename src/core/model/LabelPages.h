#pragma once

#include <QString>

namespace vesk {

/// How far a label's list has been loaded into the cache, in Gmail's pages
/// of SyncEngine::firstPageSize messages, newest first. Kept with the cache
/// so that a label shows as much after a restart as before it.
struct LabelPages
{
    /// Pages loaded; 0 for a label never opened.
    int depth = 0;
    /// Gmail's token for the page after them; empty when not known (a cache
    /// of an older version) or when there is none.
    QString nextPageToken;
    /// Gmail named no further page: the label holds nothing older.
    bool complete = false;

    friend bool operator==(const LabelPages&, const LabelPages&) = default;
};

} // namespace vesk
