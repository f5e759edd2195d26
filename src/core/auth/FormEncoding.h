#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace vesk {

using FormFields = QList<QPair<QString, QString>>;

/// The body of an application/x-www-form-urlencoded POST: name=value pairs
/// joined with "&", each side percent-encoded (UTF-8, upper-case hex) except
/// for the URL query characters, minus "+", "&" and "=" which would change
/// the meaning of the form.
QByteArray formEncode(const FormFields& fields);

} // namespace vesk
