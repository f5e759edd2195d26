#include "FaultTable.h"

namespace vesk::fakegoogle {

void FaultTable::add(const FaultRule& rule)
{
    const QString anchored = QRegularExpression::anchoredPattern(rule.pathPattern);
    m_rules.append({rule, QRegularExpression(anchored)});
}

FaultTable::Match FaultTable::take(const QString& method, const QString& path)
{
    Match match;
    match.delayMs = m_latencyMs;
    for (Entry& entry : m_rules) {
        FaultRule& rule = entry.rule;
        if (rule.times == 0 || (!rule.method.isEmpty() && rule.method != method))
            continue;
        if (!entry.pattern.match(path).hasMatch())
            continue;
        if (rule.kind == FaultRule::Kind::Delay) {
            match.delayMs += rule.delayMs;
        } else if (match.rule) {
            continue;
        } else {
            match.rule = rule;
        }
        if (rule.times > 0)
            --rule.times;
    }
    m_rules.removeIf([](const Entry& entry) { return entry.rule.times == 0; });
    return match;
}

} // namespace vesk::fakegoogle
