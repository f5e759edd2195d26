#include "ui/threadlist/ThreadListDiff.h"

#include <QHash>

namespace vesk {

namespace {

using Kind = ThreadListDiff::Step::Kind;

/// Thread ids are unique in what the core groups; a duplicate from elsewhere
/// would make rows ambiguous, so only its first occurrence is kept. Fills
/// `rowOf` with each kept thread's row.
QList<ThreadSummary> withoutDuplicates(const QList<ThreadSummary>& threads,
                                       QHash<QString, qsizetype>& rowOf)
{
    rowOf.reserve(threads.size());
    qsizetype row = 0;
    for (; row < threads.size(); ++row) {
        const qsizetype before = rowOf.size();
        qsizetype& slot = rowOf[threads.at(row).threadId];
        if (rowOf.size() == before)
            break;
        slot = row;
    }
    if (row == threads.size())
        return threads; // the common case: the same storage, no copy
    QList<ThreadSummary> result = threads.first(row);
    for (++row; row < threads.size(); ++row) {
        const qsizetype before = rowOf.size();
        qsizetype& slot = rowOf[threads.at(row).threadId];
        if (rowOf.size() != before) {
            slot = result.size();
            result.append(threads.at(row));
        }
    }
    return result;
}

/// How many of a list's entries are still unplaced before a given one,
/// as entries get placed in any order: a Fenwick tree, so that moving rows
/// up costs a logarithm each rather than a walk down the list.
class Unplaced
{
public:
    explicit Unplaced(qsizetype size)
        : m_tree(size + 1, 1)
    {
        m_tree[0] = 0;
        for (qsizetype i = 1; i <= size; ++i) {
            const qsizetype parent = i + (i & -i);
            if (parent <= size)
                m_tree[parent] += m_tree.at(i);
        }
    }

    void place(qsizetype index)
    {
        for (qsizetype i = index + 1; i < m_tree.size(); i += i & -i)
            --m_tree[i];
    }

    qsizetype before(qsizetype index) const
    {
        qsizetype count = 0;
        for (qsizetype i = index; i > 0; i -= i & -i)
            count += m_tree.at(i);
        return count;
    }

private:
    QList<qsizetype> m_tree;
};

} // namespace

ThreadListDiff ThreadListDiff::between(const QList<ThreadSummary>& shown,
                                       const QList<ThreadSummary>& fresh)
{
    ThreadListDiff diff;
    // Every row goes (a switch to a list still being grouped): the rows are
    // not looked at, which for a hundred thousand threads would take the
    // GUI thread longer than a frame.
    if (fresh.isEmpty()) {
        if (!shown.isEmpty())
            diff.steps.append({Kind::Remove, 0, int(shown.size() - 1)});
        return diff;
    }
    QHash<QString, qsizetype> freshRow;
    diff.fresh = withoutDuplicates(fresh, freshRow);
    const QList<ThreadSummary>& wanted = diff.fresh;

    QList<qsizetype> freshOf(shown.size());
    for (qsizetype row = 0; row < shown.size(); ++row)
        freshOf[row] = freshRow.value(shown.at(row).threadId, -1);

    // From the bottom, so that the rows still to look at keep their numbers.
    for (qsizetype row = shown.size() - 1; row >= 0; --row) {
        if (freshOf.at(row) >= 0)
            continue;
        qsizetype first = row;
        while (first > 0 && freshOf.at(first - 1) < 0)
            --first;
        diff.steps.append({Kind::Remove, int(first), int(row)});
        row = first;
    }

    // What remains are the kept rows in their order; where each fresh row's
    // thread is among them, if anywhere.
    QList<qsizetype> kept;
    QList<qsizetype> keptIndex(wanted.size(), -1);
    for (qsizetype row = 0; row < shown.size(); ++row) {
        if (freshOf.at(row) >= 0) {
            keptIndex[freshOf.at(row)] = kept.size();
            kept.append(row);
        }
    }

    // Rows above `row` hold their fresh threads; below them come the kept
    // rows not yet placed, in their order.
    Unplaced unplaced(kept.size());
    for (qsizetype row = 0; row < wanted.size();) {
        const qsizetype index = keptIndex.at(row);
        if (index < 0) {
            qsizetype end = row + 1;
            while (end < wanted.size() && keptIndex.at(end) < 0)
                ++end;
            diff.steps.append({Kind::Insert, int(row), int(end - 1)});
            row = end;
            continue;
        }
        const qsizetype current = row + unplaced.before(index);
        if (current != row)
            diff.steps.append({Kind::Move, int(current), int(row)});
        unplaced.place(index);
        if (!(shown.at(kept.at(index)) == wanted.at(row)))
            diff.steps.append({Kind::Change, int(row), int(row)});
        ++row;
    }
    return diff;
}

} // namespace vesk
