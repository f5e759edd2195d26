#include "QuotaMeter.h"

namespace vesk::fakegoogle {

using namespace Qt::StringLiterals;

void QuotaMeter::setLimit(int units, qint64 windowMs)
{
    m_model = QuotaModel::Tight;
    m_tight = {windowMs, units};
}

QuotaMeter::Limits QuotaMeter::limits() const
{
    if (m_model == QuotaModel::LegacyPerSecond)
        return {1000, 250};
    if (m_model == QuotaModel::Tight)
        return m_tight;
    return {60000, 6000};
}

int QuotaMeter::cost(QuotaModel model, const QString& method)
{
    // Google's published tables; methods not listed cost what Gmail charges
    // for their nearest kind (reads 1 to 5, writes 5 to 10).
    const bool legacy = model == QuotaModel::LegacyPerSecond;
    static const QHash<QString, int> current{
        {u"messages.get"_s, 20},    {u"messages.attachments.get"_s, 20},
        {u"messages.list"_s, 5},    {u"history.list"_s, 2},
        {u"labels.list"_s, 1},      {u"labels.get"_s, 1},
        {u"getProfile"_s, 1},       {u"threads.get"_s, 40},
        {u"threads.modify"_s, 10},  {u"threads.trash"_s, 10},
        {u"messages.send"_s, 100},  {u"drafts.create"_s, 10},
        {u"drafts.update"_s, 15},   {u"drafts.delete"_s, 10},
        {u"drafts.send"_s, 100},    {u"messages.batchModify"_s, 50},
        {u"messages.modify"_s, 5},  {u"messages.trash"_s, 5},
        {u"messages.delete"_s, 10}, {u"labels.create"_s, 5}};
    static const QHash<QString, int> older{
        {u"messages.get"_s, 5}, {u"messages.attachments.get"_s, 5}, {u"threads.get"_s, 10}};
    if (legacy && older.contains(method))
        return older.value(method);
    return current.value(method, 5);
}

std::optional<qint64> QuotaMeter::charge(const QString& account, const QString& method,
                                         qint64 nowMs)
{
    const QuotaModel table = m_model == QuotaModel::Off ? QuotaModel::PerMinute2026 : m_model;
    const int units = cost(table, method);
    if (m_model != QuotaModel::Off) {
        const Limits limits = this->limits();
        auto& window = m_windows[account];
        window.removeIf([&](const auto& entry) { return entry.first <= nowMs - limits.windowMs; });
        int inWindow = 0;
        for (const auto& entry : window)
            inWindow += entry.second;
        if (inWindow + units > limits.units) {
            ++m_refused[account];
            // Wait until the oldest entries have left enough room.
            int freed = 0;
            for (const auto& entry : window) {
                freed += entry.second;
                if (inWindow - freed + units <= limits.units)
                    return entry.first + limits.windowMs - nowMs;
            }
            return limits.windowMs;
        }
        window.append({nowMs, units});
    }
    m_spent[account] += units;
    return std::nullopt;
}

void QuotaMeter::reset()
{
    m_windows.clear();
    m_spent.clear();
    m_refused.clear();
}

} // namespace vesk::fakegoogle
