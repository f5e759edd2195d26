#include "MIMEBuilder.h"

#include "AttachmentHeaders.h"
#include "Base64Encoding.h"
#include "Base64UrlSink.h"
#include "HeaderText.h"
#include "MessageSink.h"
#include "OutgoingAddress.h"

#include <QMimeDatabase>
#include <QRegularExpression>
#include <QUuid>

#include <algorithm>
#include <array>

namespace vesk::MIMEBuilder {

namespace {

constexpr char textPartHeaders[] = "Content-Type: text/plain; charset=UTF-8\r\n"
                                   "Content-Transfer-Encoding: base64";

struct MediaTypeEntry
{
    QStringView extension;
    QStringView mediaType;
};

constexpr std::array<MediaTypeEntry, 16> mediaTypes{{
    {u"pdf", u"application/pdf"},
    {u"png", u"image/png"},
    {u"jpg", u"image/jpeg"},
    {u"jpeg", u"image/jpeg"},
    {u"gif", u"image/gif"},
    {u"heic", u"image/heic"},
    {u"zip", u"application/zip"},
    {u"txt", u"text/plain"},
    {u"csv", u"text/csv"},
    {u"doc", u"application/msword"},
    {u"docx", u"application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    {u"xls", u"application/vnd.ms-excel"},
    {u"xlsx", u"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {u"mp3", u"audio/mpeg"},
    {u"mp4", u"video/mp4"},
    {u"mov", u"video/quicktime"},
}};

/// Counts what a message would take, for sizing its one buffer up front.
class CountingSink final : public MessageSink
{
public:
    void append(QByteArrayView bytes) override { m_size += bytes.size(); }
    void appendFoldedBase64(QByteArrayView data) override
    {
        m_size += Base64Encoding::foldedSize(data.size());
    }
    qsizetype size() const { return m_size; }

private:
    qsizetype m_size = 0;
};

class ByteSink final : public MessageSink
{
public:
    explicit ByteSink(qsizetype size) { m_out.reserve(size); }
    void append(QByteArrayView bytes) override { m_out.append(bytes); }
    QByteArray take() { return std::move(m_out); }

private:
    QByteArray m_out;
};

QByteArray addressLine(const QByteArray& name, const QStringList& entries)
{
    QByteArrayList words;
    for (const QString& entry : entries) {
        const QByteArrayList mailbox = OutgoingAddress::headerWords(entry);
        if (mailbox.isEmpty())
            continue;
        // An encoded word must stand apart from a following comma.
        if (!words.isEmpty() && words.last().endsWith("?="))
            words.append(",");
        else if (!words.isEmpty())
            words.last() += ',';
        words.append(mailbox);
    }
    return HeaderText::folded(name, words);
}

// Message ids are 7-bit tokens; one that is not (a replied-to message may
// carry anything) or that could not fit on a line is left out rather than
// break the header, as Gmail threads replies by their thread id anyway.
QByteArrayList messageIds(const QString& value)
{
    static const QRegularExpression s_blanks(QStringLiteral("[ \\t]+"));
    QByteArrayList ids;
    const QStringList tokens =
        HeaderText::withoutLineBreaks(value).split(s_blanks, Qt::SkipEmptyParts);
    for (const QString& token : tokens) {
        const bool printable = std::all_of(token.begin(), token.end(), [](QChar c) {
            return c.unicode() > 0x20 && c.unicode() < 0x7F;
        });
        if (printable && token.size() <= HeaderText::hardLineLimit - 16)
            ids.append(token.toLatin1());
    }
    return ids;
}

QByteArrayList headerLines(const QString& from, const QStringList& to, const QStringList& cc,
                           const QStringList& bcc, const QString& subject,
                           const std::optional<QString>& inReplyTo,
                           const std::optional<QString>& references)
{
    QByteArrayList lines{addressLine("From", {from}), addressLine("To", to)};
    if (!cc.isEmpty())
        lines.append(addressLine("Cc", cc));
    if (!bcc.isEmpty())
        lines.append(addressLine("Bcc", bcc));
    lines.append(HeaderText::folded("Subject", HeaderText::unstructuredWords(subject)));
    const auto appendIds = [&](const QByteArray& name, const std::optional<QString>& value) {
        const QByteArrayList ids = value ? messageIds(*value) : QByteArrayList();
        if (!ids.isEmpty())
            lines.append(HeaderText::folded(name, ids));
    };
    appendIds("In-Reply-To", inReplyTo);
    appendIds("References", references);
    lines.append("MIME-Version: 1.0");
    return lines;
}

QByteArray freshBoundary()
{
    return "vesk-" + QUuid::createUuid().toByteArray(QUuid::WithoutBraces).toUpper();
}

// Just past the quoted string that opens at `open`. A quote that is never
// closed is taken as an ordinary character, so that one stray quote does not
// fuse every address after it into one.
qsizetype endOfQuoted(const QString& text, qsizetype open)
{
    for (qsizetype at = open + 1; at < text.size(); ++at) {
        if (text[at] == u'\\')
            ++at;
        else if (text[at] == u'"')
            return at + 1;
    }
    return open + 1;
}

// Only spaces and tabs: a line break inside a typed address stays part of
// it (and never reaches a header as one).
QString trimmedSpacesAndTabs(QStringView piece)
{
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (!piece.isEmpty() && blank(piece.front()))
        piece = piece.mid(1);
    while (!piece.isEmpty() && blank(piece.back()))
        piece.chop(1);
    return piece.toString();
}

/// Everything of a message but the encoding of its parts.
struct MessageParts
{
    QByteArray headers; ///< joined, without the Content-Type of the body
    QByteArray body;
    const QList<OutgoingAttachment>& attachments;
    QByteArray boundary; ///< empty for a single-part message
};

void write(MessageSink& sink, const MessageParts& parts)
{
    sink.append(parts.headers);
    sink.append("\r\n");
    if (parts.boundary.isEmpty()) {
        sink.append(textPartHeaders);
        sink.append("\r\n\r\n");
        sink.appendFoldedBase64(parts.body);
        return;
    }
    const QByteArray delimiter = "--" + parts.boundary;
    sink.append(HeaderText::folded("Content-Type",
                                   {"multipart/mixed;", "boundary=\"" + parts.boundary + '"'}));
    sink.append("\r\n\r\n");
    sink.append(QByteArray(delimiter + "\r\n" + textPartHeaders + "\r\n\r\n"));
    sink.appendFoldedBase64(parts.body);
    for (const OutgoingAttachment& attachment : parts.attachments) {
        sink.append(QByteArray("\r\n" + delimiter + "\r\n" + attachmentPartHeaders(attachment) +
                               "\r\n\r\n"));
        sink.appendFoldedBase64(attachment.data);
    }
    sink.append(QByteArray("\r\n" + delimiter + "--"));
}

qsizetype sizeOf(const MessageParts& parts)
{
    CountingSink counter;
    write(counter, parts);
    return counter.size();
}

MessageParts messageParts(const QString& from, const QStringList& to, const QStringList& cc,
                          const QStringList& bcc, const QString& subject, const QString& body,
                          const QList<OutgoingAttachment>& attachments,
                          const std::optional<QString>& inReplyTo,
                          const std::optional<QString>& references)
{
    return MessageParts{headerLines(from, to, cc, bcc, subject, inReplyTo, references).join("\r\n"),
                        body.toUtf8(), attachments,
                        attachments.isEmpty() ? QByteArray() : freshBoundary()};
}

} // namespace

QByteArray buildMessage(const QString& from, const QStringList& to, const QStringList& cc,
                        const QStringList& bcc, const QString& subject, const QString& body,
                        const QList<OutgoingAttachment>& attachments,
                        const std::optional<QString>& inReplyTo,
                        const std::optional<QString>& references)
{
    const MessageParts parts =
        messageParts(from, to, cc, bcc, subject, body, attachments, inReplyTo, references);
    ByteSink sink(sizeOf(parts));
    write(sink, parts);
    return sink.take();
}

QByteArray buildRaw(const QString& from, const QStringList& to, const QStringList& cc,
                    const QStringList& bcc, const QString& subject, const QString& body,
                    const QList<OutgoingAttachment>& attachments,
                    const std::optional<QString>& inReplyTo,
                    const std::optional<QString>& references)
{
    const MessageParts parts =
        messageParts(from, to, cc, bcc, subject, body, attachments, inReplyTo, references);
    // Encoded as it is written: the message itself never exists whole.
    Base64UrlSink sink(sizeOf(parts));
    write(sink, parts);
    return sink.take();
}

QString encodeBase64Url(const QByteArray& bytes)
{
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QStringList splitAddresses(const QString& text)
{
    QStringList addresses;
    const auto take = [&](qsizetype start, qsizetype end) {
        const QString address = trimmedSpacesAndTabs(QStringView(text).mid(start, end - start));
        if (!address.isEmpty())
            addresses.append(address);
    };
    qsizetype start = 0;
    qsizetype at = 0;
    while (at < text.size()) {
        if (text[at] == u'"') {
            at = endOfQuoted(text, at);
        } else {
            if (text[at] == u',') {
                take(start, at);
                start = at + 1;
            }
            ++at;
        }
    }
    take(start, text.size());
    return addresses;
}

QString mimeType(const QString& forFilename)
{
    const QStringView name = QStringView(forFilename).mid(forFilename.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString extension = dot < 0 ? QString() : name.mid(dot + 1).toString().toLower();
    const auto found =
        std::find_if(mediaTypes.begin(), mediaTypes.end(),
                     [&](const MediaTypeEntry& entry) { return entry.extension == extension; });
    if (found != mediaTypes.end())
        return found->mediaType.toString();
    // Beyond the table, the desktop's shared MIME database knows the name's
    // type by its extension; it answers application/octet-stream when it
    // does not either.
    static const QMimeDatabase s_database;
    return s_database.mimeTypeForFile(name.toString(), QMimeDatabase::MatchExtension).name();
}

} // namespace vesk::MIMEBuilder
