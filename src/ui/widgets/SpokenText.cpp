#include "ui/widgets/SpokenText.h"

#include <QCoreApplication>
#include <QDate>
#include <QLocale>

namespace vesk::SpokenText {

QString date(const QDate& day, const QDate& today)
{
    if (!day.isValid())
        return {};
    // The month by name: "12/03" is read out as digits and a slash.
    const QString format =
        day.year() == today.year()
            ? QCoreApplication::translate("vesk::SpokenText", "d 'de' MMMM")
            : QCoreApplication::translate("vesk::SpokenText", "d 'de' MMMM 'de' yyyy");
    return QLocale().toString(day, format);
}

QString join(const QStringList& parts)
{
    // Nobody listens to a megabyte of subject, and each query of the bridge
    // would carry it over the bus.
    constexpr qsizetype longest = 400;
    QStringList kept;
    for (const QString& part : parts) {
        // Never half of a character outside the BMP.
        const qsizetype cut =
            part.size() > longest && part.at(longest - 1).isHighSurrogate() ? longest - 1 : longest;
        const QString trimmed = part.left(cut).simplified();
        if (!trimmed.isEmpty())
            kept.append(trimmed);
    }
    return kept.join(QStringLiteral(", "));
}

} // namespace vesk::SpokenText
