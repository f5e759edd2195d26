#pragma once

#include "QuotaModel.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

namespace vesk::fakegoogle {

// Gmail's per-user quota: each method costs units, and a user may spend a
// fixed number of units within a moving window. The meter also adds up what
// every account spent. Time comes from the caller so tests can move it.
// Not thread-safe: the server's lock guards it.
class QuotaMeter final
{
public:
    void setModel(QuotaModel model) { m_model = model; }
    QuotaModel model() const { return m_model; }
    // The Tight model with `units` per moving window of `windowMs`.
    void setLimit(int units, qint64 windowMs);

    // Units of a method ("messages.get", "threads.modify", ...) under a model.
    static int cost(QuotaModel model, const QString& method);

    // Charges the call, or refuses it and says how many milliseconds until
    // enough units have left the window.
    std::optional<qint64> charge(const QString& account, const QString& method, qint64 nowMs);

    qint64 unitsSpent(const QString& account) const { return m_spent.value(account); }
    // Calls refused because the window was full.
    int refusals(const QString& account) const { return m_refused.value(account); }
    void reset();

private:
    struct Limits
    {
        qint64 windowMs;
        int units;
    };
    Limits limits() const;

    QuotaModel m_model = QuotaModel::Off;
    Limits m_tight{10000, 600};
    QHash<QString, QList<QPair<qint64, int>>> m_windows; // account -> (time, units), oldest first
    QHash<QString, qint64> m_spent;
    QHash<QString, int> m_refused;
};

} // namespace vesk::fakegoogle
