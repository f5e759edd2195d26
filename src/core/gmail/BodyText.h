#pragma once

#include <QByteArray>
#include <QString>

namespace vesk {

/// The text of a body part's bytes, never empty-handed: mail often names the
/// wrong charset (us-ascii parts that carry UTF-8) or none at all, and one bad
/// byte must not cost the reader the whole body. Tried in order: strictly in
/// the declared charset, strictly as UTF-8, and finally the declared charset
/// (Windows-1252 when none is declared or the name is unknown) with
/// replacement characters where bytes do not decode.
QString decodeBodyText(const QByteArray& bytes, const QByteArray& declaredCharset);

} // namespace vesk
