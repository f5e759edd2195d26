#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>

namespace vesk::fakegoogle {

// A message's MIME structure mapped once, at insertion, onto Gmail's payload
// tree, so every later read only renders JSON. Attachment bodies are kept
// aside by part id: their "body" objects carry the part id under the private
// key "attachmentPart", which the renderer swaps for an attachment id.
struct MimeTree
{
    QJsonObject payload;
    QHash<QString, QByteArray> attachmentBodies; // part id -> decoded content
    QList<QPair<QString, QString>> headers;      // top-level, decoded, in order
    QString snippet;                             // plain text, HTML-escaped
    QString searchText;                          // the text used for free words
    bool hasAttachment = false;

    QString header(const QString& name) const; // first match, case-insensitive
    static MimeTree parse(const QByteArray& raw);
};

} // namespace vesk::fakegoogle
