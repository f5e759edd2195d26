#pragma once

#include <QString>
#include <QStringList>

class QDate;

/// What assistive technology reads for things the interface paints itself
/// (list rows, cards): the words a sighted person takes in at a glance, in
/// the order they matter, as one sentence. Pure text work.
namespace vesk::SpokenText {

/// A day as said aloud: "12 de março", with the year only when it is not
/// the current one. Empty for an invalid date.
QString date(const QDate& day, const QDate& today);

/// The non-empty parts, trimmed and cut to a listenable length, joined by
/// commas: a screen reader pauses at each.
QString join(const QStringList& parts);

} // namespace vesk::SpokenText
