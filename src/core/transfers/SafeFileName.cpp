#include "SafeFileName.h"

namespace vesk {

namespace {

constexpr qsizetype maxNameBytes = 255;
/// A longer tail after the last dot is not treated as an extension worth keeping.
constexpr qsizetype maxKeptSuffix = 16;

QString lastComponent(const QString& name)
{
    // Both separators count: a name written on Windows uses the backslash.
    const qsizetype slash = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    return name.mid(slash + 1);
}

QString withoutControlCharacters(const QString& name)
{
    QString clean;
    clean.reserve(name.size());
    for (const QChar c : name) {
        if (c.category() != QChar::Other_Control && c.category() != QChar::Other_Format)
            clean.append(c);
    }
    return clean.trimmed();
}

/// Drops characters from the end of `text` until its UTF-8 form fits, never
/// splitting a surrogate pair.
QString cutToBytes(QString text, qsizetype bytes)
{
    while (!text.isEmpty() && text.toUtf8().size() > bytes) {
        text.chop(1);
        if (!text.isEmpty() && text.back().isHighSurrogate())
            text.chop(1);
    }
    return text;
}

QString cutToLength(const QString& name)
{
    if (name.toUtf8().size() <= maxNameBytes)
        return name;
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString suffix =
        (dot > 0 && name.size() - dot <= maxKeptSuffix) ? name.mid(dot) : QString();
    const QString stem = name.left(name.size() - suffix.size());
    return cutToBytes(stem, maxNameBytes - suffix.toUtf8().size()) + suffix;
}

} // namespace

QString safeFileName(const QString& attachmentName)
{
    QString name = cutToLength(withoutControlCharacters(lastComponent(attachmentName)));
    if (name.isEmpty() || name == u"." || name == u"..")
        return QStringLiteral("anexo");
    return name;
}

} // namespace vesk
