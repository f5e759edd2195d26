#pragma once

#include <QByteArray>
#include <QString>

#include <string_view>
#include <vector>

namespace vesk {

/// Compact JSON writer into a UTF-8 byte string.
///
/// Qt's JSON classes build a whole document tree before writing; the mail
/// cache is rewritten after every change and can hold a hundred thousand
/// summaries, so this writes straight from our values instead. Text that is
/// not valid UTF-16 (a lone surrogate) is written as U+FFFD, so that the
/// output always parses again.
class JsonWriter final
{
public:
    explicit JsonWriter(QByteArray& out);

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();

    /// A member name given as plain ASCII without characters that need escaping.
    void key(std::string_view asciiKey);
    void key(QStringView key);

    void value(QStringView text);
    void value(qint64 number);
    void value(bool flag);
    void value(double number);
    void null();

private:
    void separate();
    void writeString(QStringView text);

    QByteArray& m_out;
    // One entry per open container: whether it already holds a member.
    std::vector<bool> m_hasMember;
    bool m_afterKey = false;
};

} // namespace vesk
