// Splitting one address header value into a display name and an address.
// Gmail hands the value over unfolded and decoded, so besides the quoted names
// and comments of RFC 5322 it may hold whatever an encoded word decoded to,
// lone quote characters included.

#include "WireRecords.h"

#include <vector>

namespace vesk {

namespace {

bool isHorizontalSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c.category() == QChar::Separator_Space;
}

QString trimmedHorizontally(QStringView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isHorizontalSpace(text[start]))
        ++start;
    while (end > start && isHorizontalSpace(text[end - 1]))
        --end;
    return text.mid(start, end - start).toString();
}

/// Which characters stand outside quoted strings; the quotes themselves and
/// escaped characters count as inside. When the quotes do not pair up (a
/// decoded name with a lone quote) every character counts as outside, so the
/// address is still found.
std::vector<bool> outsideQuotes(QStringView t)
{
    std::vector<bool> outside(t.size(), true);
    bool quoted = false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (!quoted && c != u'"')
            continue;
        outside[i] = false;
        if (c == u'"') {
            quoted = !quoted;
        } else if (c == u'\\' && i + 1 < t.size()) {
            outside[++i] = false;
        }
    }
    if (quoted)
        return std::vector<bool>(t.size(), true);
    return outside;
}

/// A display name as the user should read it: quoted strings lose their
/// quotes and their backslash escapes.
QString unquotedName(QStringView phrase, bool quotesPair)
{
    if (!quotesPair) {
        // Lone quotes come from decoding, not from quoting: only trim them off the ends.
        const QString name = trimmedHorizontally(phrase);
        qsizetype start = 0;
        qsizetype end = name.size();
        while (start < end && name[start] == u'"')
            ++start;
        while (end > start && name[end - 1] == u'"')
            --end;
        return name.mid(start, end - start);
    }
    QString name;
    bool quoted = false;
    for (qsizetype i = 0; i < phrase.size(); ++i) {
        const QChar c = phrase[i];
        if (c == u'"')
            quoted = !quoted;
        else if (quoted && c == u'\\' && i + 1 < phrase.size())
            name += phrase[++i];
        else
            name += c;
    }
    return trimmedHorizontally(name);
}

/// The old form "bbb@ddd.com (John X. Doe)": the address before a comment that
/// closes the text, the comment (nesting kept, escapes undone) as the name.
std::optional<std::pair<QString, QString>> commentForm(QStringView t,
                                                       const std::vector<bool>& outside)
{
    qsizetype open = 0;
    while (open < t.size() && !(t[open] == u'(' && outside[open]))
        ++open;
    if (open == t.size())
        return std::nullopt;
    QString comment;
    int depth = 1;
    qsizetype i = open + 1;
    for (; i < t.size(); ++i) {
        QChar c = t[i];
        if (c == u'\\' && i + 1 < t.size())
            c = t[++i];
        else if (c == u'(')
            ++depth;
        else if (c == u')' && --depth == 0)
            break;
        comment += c;
    }
    const QString email = trimmedHorizontally(t.left(open));
    if (i != t.size() - 1 || email.isEmpty())
        return std::nullopt;
    return std::pair(trimmedHorizontally(comment), email);
}

} // namespace

std::pair<QString, QString> parseAddress(const QString& text)
{
    const QString t = trimmedHorizontally(text);
    const std::vector<bool> outside = outsideQuotes(t);
    const bool quotesPair = t.contains(u'"') && !outside[t.indexOf(u'"')];

    qsizetype open = t.size() - 1;
    while (open >= 0 && !(t[open] == u'<' && outside[open]))
        --open;
    qsizetype close = open < 0 ? t.size() : open + 1;
    while (close < t.size() && !(t[close] == u'>' && outside[close]))
        ++close;
    if (close < t.size())
        return {unquotedName(QStringView(t).left(open), quotesPair),
                t.mid(open + 1, close - open - 1)};

    if (auto nameAndEmail = commentForm(t, outside))
        return *std::move(nameAndEmail);
    return {QString(), t};
}

} // namespace vesk
