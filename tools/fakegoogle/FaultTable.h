#pragma once

#include "FaultRule.h"

#include <QList>
#include <QRegularExpression>

#include <optional>

namespace vesk::fakegoogle {

// The faults waiting to be shown. For each request, every matching Delay rule
// adds its delay and the first matching rule of another kind is spent.
// Not thread-safe: the server's lock guards it.
class FaultTable final
{
public:
    struct Match
    {
        int delayMs = 0;
        std::optional<FaultRule> rule; // Status or a way of shaping the answer
    };

    void add(const FaultRule& rule);
    void clear() { m_rules.clear(); }
    void setLatency(int milliseconds) { m_latencyMs = milliseconds; }

    Match take(const QString& method, const QString& path);

private:
    struct Entry
    {
        FaultRule rule;
        QRegularExpression pattern;
    };

    QList<Entry> m_rules;
    int m_latencyMs = 0;
};

} // namespace vesk::fakegoogle
