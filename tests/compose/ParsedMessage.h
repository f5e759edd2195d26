#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace vesk::test {

/// One leaf part as a MIME reader sees it: parameters decoded (RFC 2047 and
/// 2231), content with its transfer encoding undone.
struct ParsedPart
{
    QString mediaType;
    QString charset;
    QString transferEncoding;
    QString disposition;
    /// What a reader offers to save the part as (disposition first).
    QString filename;
    /// The Content-Type "name" parameter on its own.
    QString nameParameter;
    QByteArray content;
};

/// A message read back by GMime, copied into Qt types so that the tests
/// need no GLib. The problems GMime reports while parsing are kept.
struct ParsedMessage
{
    bool parsed = false;
    /// Top-level headers in message order, values unfolded and decoded.
    QList<QPair<QString, QString>> headers;
    QString subject;
    QList<ParsedPart> parts;
    /// The To header as GMime's address parser reads it, entry by entry:
    /// "Name <address>", "address" without a name, or "group: Name" for a
    /// group (which a header the builder writes never holds).
    QStringList to;
    /// GMime's parser warnings, by number.
    QStringList problems;

    QString header(const QString& name) const;
};

ParsedMessage parseMessage(const QByteArray& bytes);

} // namespace vesk::test
