#include "NotificationText.h"

#include "NotificationPayload.h"

namespace vesk {

namespace {

// Generous for a popup, small enough that a hostile message cannot make a
// multi-megabyte bus call out of one notification.
constexpr qsizetype maxTitleLength = 200;
constexpr qsizetype maxSubtitleLength = 200;
constexpr qsizetype maxBodyLength = 1000;
constexpr qsizetype maxLines = 8;

constexpr char32_t replacementCharacter = 0xFFFD;

bool isControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

void appendCodePoint(QString& out, char32_t c)
{
    if (isControl(c))
        out += u' ';
    else if (QChar::isNonCharacter(c))
        out += QChar(replacementCharacter);
    else
        out += QStringView(QChar::fromUcs4(c));
}

QString withoutControls(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text[i];
        if (unit.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            appendCodePoint(out, QChar::surrogateToUcs4(unit, text[i + 1]));
            ++i;
        } else if (unit.isSurrogate()) {
            out += QChar(replacementCharacter);
        } else {
            appendCodePoint(out, unit.unicode());
        }
    }
    return out;
}

QString joined(const QString& first, QStringView separator, const QString& second)
{
    if (first.isEmpty())
        return second;
    if (second.isEmpty())
        return first;
    return first + separator + second;
}

} // namespace

QString cleanNotificationLine(QStringView text, qsizetype maxLength)
{
    QString line = withoutControls(text).simplified();
    if (line.size() <= maxLength)
        return line;
    qsizetype cut = qMax<qsizetype>(0, maxLength - 1);
    if (cut > 0 && line[cut - 1].isHighSurrogate())
        --cut;
    line.truncate(cut);
    return line + u'\u2026';
}

NotificationText NotificationText::forServer(const NotificationPayload& payload,
                                             const QStringList& capabilities)
{
    const QString title = cleanNotificationLine(payload.title, maxTitleLength);
    const QString subtitle = cleanNotificationLine(payload.subtitle, maxSubtitleLength);
    const QString body = cleanNotificationLine(payload.body, maxBodyLength);
    // Each listed line is cleaned on its own: a line break inside a subject
    // must not pass for one between two messages.
    QStringList lines;
    for (const QString& line : payload.lines.first(qMin(payload.lines.size(), maxLines)))
        lines.append(cleanNotificationLine(line, maxSubtitleLength));

    if (!capabilities.contains(QStringLiteral("body"))) {
        const QString message = joined(subtitle, u": ", body);
        return {joined(title, u" \u2014 ", joined(message, u"; ", lines.join(u"; "))), QString()};
    }
    if (!capabilities.contains(QStringLiteral("body-markup")))
        return {title, joined(joined(subtitle, u"\n", body), u"\n", lines.join(u'\n'))};
    // Markup servers would read "<" and "&" in a subject as tags and entities.
    const QString boldSubtitle =
        subtitle.isEmpty() ? QString() : u"<b>" + subtitle.toHtmlEscaped() + u"</b>";
    for (QString& line : lines)
        line = line.toHtmlEscaped();
    return {title,
            joined(joined(boldSubtitle, u"\n", body.toHtmlEscaped()), u"\n", lines.join(u'\n'))};
}

} // namespace vesk
