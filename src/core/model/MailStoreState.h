#pragma once

#include "LabelInfo.h"
#include "LabelPages.h"
#include "MessageSummary.h"
#include "SummaryTable.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

namespace vesk {

/// Everything one account's cache holds, as a value.
struct MailStoreState
{
    /// Empty until the first full synchronisation has finished.
    QString historyId;
    SummaryTable summaries;
    /// In the order Gmail listed them.
    QList<LabelInfo> labels;
    /// Labels whose first page of messages has been fetched.
    QSet<QString> loadedLabels;
    /// How deep each loaded label's list goes. A loaded label without an
    /// entry (a cache of an older version) has its first page.
    QHash<QString, LabelPages> labelPages;
    std::optional<QDateTime> lastSync;

    friend bool operator==(const MailStoreState&, const MailStoreState&) = default;
};

} // namespace vesk
