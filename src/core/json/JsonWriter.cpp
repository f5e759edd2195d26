#include "JsonWriter.h"

#include <charconv>

namespace vesk {

namespace {

constexpr char hexDigits[] = "0123456789abcdef";

char* writeUtf8(char* out, char32_t cp)
{
    if (cp < 0x80) {
        *out++ = char(cp);
    } else if (cp < 0x800) {
        *out++ = char(0xC0 | (cp >> 6));
        *out++ = char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out++ = char(0xE0 | (cp >> 12));
        *out++ = char(0x80 | ((cp >> 6) & 0x3F));
        *out++ = char(0x80 | (cp & 0x3F));
    } else {
        *out++ = char(0xF0 | (cp >> 18));
        *out++ = char(0x80 | ((cp >> 12) & 0x3F));
        *out++ = char(0x80 | ((cp >> 6) & 0x3F));
        *out++ = char(0x80 | (cp & 0x3F));
    }
    return out;
}

char* writeEscaped(char* out, char16_t c)
{
    *out++ = '\\';
    switch (c) {
    case u'"':
        *out++ = '"';
        break;
    case u'\\':
        *out++ = '\\';
        break;
    case u'\n':
        *out++ = 'n';
        break;
    case u'\r':
        *out++ = 'r';
        break;
    case u'\t':
        *out++ = 't';
        break;
    case u'\b':
        *out++ = 'b';
        break;
    case u'\f':
        *out++ = 'f';
        break;
    default:
        *out++ = 'u';
        *out++ = '0';
        *out++ = '0';
        *out++ = hexDigits[(c >> 4) & 0xF];
        *out++ = hexDigits[c & 0xF];
    }
    return out;
}

} // namespace

JsonWriter::JsonWriter(QByteArray& out)
    : m_out(out)
{}

void JsonWriter::separate()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_hasMember.empty())
        return;
    if (m_hasMember.back())
        m_out.append(',');
    m_hasMember.back() = true;
}

void JsonWriter::beginObject()
{
    separate();
    m_out.append('{');
    m_hasMember.push_back(false);
}

void JsonWriter::endObject()
{
    m_out.append('}');
    m_hasMember.pop_back();
}

void JsonWriter::beginArray()
{
    separate();
    m_out.append('[');
    m_hasMember.push_back(false);
}

void JsonWriter::endArray()
{
    m_out.append(']');
    m_hasMember.pop_back();
}

void JsonWriter::key(std::string_view asciiKey)
{
    separate();
    m_out.append('"');
    m_out.append(asciiKey.data(), qsizetype(asciiKey.size()));
    m_out.append("\":", 2);
    m_afterKey = true;
}

void JsonWriter::key(QStringView key)
{
    separate();
    writeString(key);
    m_out.append(':');
    m_afterKey = true;
}

void JsonWriter::value(QStringView text)
{
    separate();
    writeString(text);
}

void JsonWriter::value(qint64 number)
{
    separate();
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    m_out.append(buffer, qsizetype(result.ptr - buffer));
}

void JsonWriter::value(bool flag)
{
    separate();
    m_out.append(flag ? "true" : "false");
}

void JsonWriter::value(double number)
{
    separate();
    // Shortest text that reads back to the same double.
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    m_out.append(buffer, qsizetype(result.ptr - buffer));
}

void JsonWriter::null()
{
    separate();
    m_out.append("null");
}

void JsonWriter::writeString(QStringView text)
{
    // Worst case: every UTF-16 unit becomes a six-byte \u00XX escape. QByteArray
    // grows geometrically and leaves new bytes uninitialised, so this is cheap.
    const qsizetype units = text.size();
    const qsizetype start = m_out.size();
    m_out.resize(start + units * 6 + 2);
    char* out = m_out.data() + start;
    *out++ = '"';

    const char16_t* p = reinterpret_cast<const char16_t*>(text.utf16());
    const char16_t* const end = p + units;
    while (p != end) {
        const char16_t c = *p++;
        if (c < 0x80) {
            if (c < 0x20 || c == u'"' || c == u'\\')
                out = writeEscaped(out, c);
            else
                *out++ = char(c);
        } else if (c >= 0xD800 && c <= 0xDBFF && p != end && *p >= 0xDC00 && *p <= 0xDFFF) {
            const char32_t cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(*p) - 0xDC00);
            ++p;
            out = writeUtf8(out, cp);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out = writeUtf8(out, 0xFFFD);
        } else {
            out = writeUtf8(out, c);
        }
    }
    *out++ = '"';
    m_out.resize(qsizetype(out - m_out.data()));
}

} // namespace vesk
