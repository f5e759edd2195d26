#include "ReferenceWalk.h"

#include <simdjson.h>

namespace vesk::bench {

namespace {

namespace od = simdjson::ondemand;

size_t walkValue(od::value value);

size_t walkObject(od::object object)
{
    size_t sum = 0;
    for (auto field : object) {
        sum += field.unescaped_key().value().size();
        sum += walkValue(field.value());
    }
    return sum;
}

size_t walkValue(od::value value)
{
    switch (value.type().value()) {
    case od::json_type::object:
        return walkObject(value.get_object().value());
    case od::json_type::array: {
        size_t sum = 0;
        for (auto element : value.get_array())
            sum += walkValue(element.value());
        return sum;
    }
    case od::json_type::string:
        return value.get_string().value().size();
    case od::json_type::number:
        return size_t(value.get_double().value());
    case od::json_type::boolean:
        return value.get_bool().value() ? 1 : 0;
    case od::json_type::null:
        return value.is_null() ? 0 : 1;
    }
    return 0;
}

} // namespace

size_t referenceWalk(const std::string& path)
{
    const simdjson::padded_string json = simdjson::padded_string::load(path).value();
    od::parser parser;
    od::document document = parser.iterate(json).value();
    return walkObject(document.get_object().value());
}

} // namespace vesk::bench
