#pragma once

#include <QList>

#include <functional>
#include <type_traits>

namespace vesk::test {

/// `field` of each item, in order: a member, a getter or a function of it.
template <typename Items, typename Field>
auto valuesOf(const Items& items, Field field)
{
    using Value = std::decay_t<std::invoke_result_t<Field&, decltype(*std::begin(items))>>;
    QList<Value> values;
    for (const auto& item : items)
        values.append(std::invoke(field, item));
    return values;
}

} // namespace vesk::test
