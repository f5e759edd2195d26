#pragma once

// Strict JSON reading over simdjson's DOM, shared by the decoders of the
// mail cache and of Gmail's answers. Internal: include it only from .cpp
// files, since simdjson's header is heavy.
//
// The parser picks the fastest kernel for the processor at run time (the
// On-Demand front end would be fixed to the build's baseline, without SIMD).

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>
#include <simdjson.h>
#include <string>
#include <string_view>
#include <type_traits>

namespace vesk::json {

namespace dom = simdjson::dom;

/// Where and why decoding failed. The path is built from the innermost key
/// outwards, only once something has failed.
struct Failure
{
    std::string path;
    std::string reason;

    bool fail(std::string_view key, std::string_view why)
    {
        path = std::string(key);
        reason = std::string(why);
        return false;
    }

    bool within(std::string_view segment)
    {
        if (path.empty())
            path = std::string(segment);
        else if (path.front() == '[')
            path = std::string(segment) + path;
        else
            path = std::string(segment) + '.' + path;
        return false;
    }

    QString text() const
    {
        const std::string where = path.empty() ? std::string("(root)") : path;
        return QString::fromStdString(where + ": " + reason);
    }
};

inline QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

inline std::string indexSegment(size_t index)
{
    return '[' + std::to_string(index) + ']';
}

inline bool readString(dom::element value, QString& out)
{
    std::string_view text;
    if (value.get_string().get(text))
        return false;
    out = toQString(text);
    return true;
}

inline bool readInteger(dom::element value, qint64& out)
{
    int64_t number = 0;
    if (value.get_int64().get(number))
        return false;
    out = number;
    return true;
}

/// Calls `handle(key, value)` for each member; stops at the first false.
template <typename Handler>
inline bool forEachMember(dom::element value, Failure& failure, Handler&& handle)
{
    dom::object object;
    if (value.get_object().get(object))
        return failure.fail({}, "expected an object");
    for (const dom::key_value_pair member : object) {
        if (!handle(member.key, member.value))
            return false;
    }
    return true;
}

template <typename Handler>
inline bool forEachElement(dom::element value, Failure& failure, Handler&& handle)
{
    dom::array array;
    if (value.get_array().get(array))
        return failure.fail({}, "expected an array");
    size_t index = 0;
    for (const dom::element element : array) {
        if (!handle(index, element))
            return false;
        ++index;
    }
    return true;
}

/// Tracks which of the required keys of an object were seen.
template <size_t N>
class RequiredKeys
{
    static_assert(N <= 32);

public:
    explicit RequiredKeys(const std::array<std::string_view, N>& keys)
        : m_keys(keys)
    {}

    void see(size_t index) { m_seen |= 1u << index; }

    bool complete(Failure& failure) const
    {
        for (size_t i = 0; i < N; ++i) {
            if (!(m_seen & (1u << i)))
                return failure.fail(m_keys[i], "missing");
        }
        return true;
    }

private:
    std::array<std::string_view, N> m_keys;
    uint32_t m_seen = 0;
};

inline bool stringMember(dom::element value, std::string_view key, QString& out, Failure& failure)
{
    return readString(value, out) || failure.fail(key, "expected a string");
}

inline bool integerMember(dom::element value, std::string_view key, qint64& out, Failure& failure)
{
    return readInteger(value, out) || failure.fail(key, "expected an integer");
}

/// Parses `json` as one JSON document and hands its root to `decodeRoot`,
/// with the parser when `decodeRoot` takes it as a fourth argument (to
/// release what it has read, see ParsedPrefixRelease); anything after the
/// root value is a failure.
template <typename T, typename Decoder>
inline std::optional<T> decodeDocument(QByteArray json, QString* error, Decoder&& decodeRoot)
{
    Failure failure;
    T result{};
    const auto finish = [&](bool ok) -> std::optional<T> {
        if (ok)
            return result;
        if (error)
            *error = failure.text();
        return std::nullopt;
    };

    simdjson::padded_string copy;
    const char* input = json.constData();
    if (json.capacity() - json.size() < qsizetype(simdjson::SIMDJSON_PADDING)) {
        copy = simdjson::padded_string(json.constData(), size_t(json.size()));
        input = copy.data();
    }

    // The parser validates the whole text, trailing content included.
    dom::parser parser;
    dom::element root;
    if (parser.parse(input, size_t(json.size()), false).get(root))
        return finish(failure.fail({}, "not JSON"));
    // The parser holds its own copy of every string from here on.
    json = QByteArray();
    copy = simdjson::padded_string();
    bool ok = false;
    if constexpr (std::is_invocable_v<Decoder, dom::element, T&, Failure&, dom::parser&>)
        ok = decodeRoot(root, result, failure, parser);
    else
        ok = decodeRoot(root, result, failure);
    return finish(ok);
}

} // namespace vesk::json
