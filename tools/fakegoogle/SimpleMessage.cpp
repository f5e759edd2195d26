#include "SimpleMessage.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QUuid>

namespace vesk::fakegoogle {

namespace {

bool isAscii(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() > 0x7e)
            return false;
    }
    return true;
}

// One encoded word per header keeps this simple; real mailers split long
// ones, which parsers join again, so it makes no difference to a reader.
QByteArray encodeWords(const QString& text)
{
    if (isAscii(text))
        return text.toUtf8();
    return "=?UTF-8?B?" + text.toUtf8().toBase64() + "?=";
}

// "Name <addr>" lists: only the display names may need encoding.
QByteArray encodeAddresses(const QString& list)
{
    QByteArray out;
    for (const QString& item : list.split(u',', Qt::SkipEmptyParts)) {
        const QString address = item.trimmed();
        const qsizetype open = address.indexOf(u'<');
        if (!out.isEmpty())
            out += ", ";
        if (open > 0) {
            QString name = address.left(open).trimmed();
            if (name.startsWith(u'"') && name.endsWith(u'"') && name.size() >= 2)
                name = name.mid(1, name.size() - 2);
            const QByteArray encoded =
                isAscii(name) ? '"' + name.toUtf8() + '"' : encodeWords(name);
            out += encoded + ' ' + address.mid(open).toUtf8();
        } else {
            out += address.toUtf8();
        }
    }
    return out;
}

QByteArray quotedPrintable(const QByteArray& input)
{
    QByteArray out;
    int lineLength = 0;
    auto put = [&](const QByteArray& piece) {
        if (lineLength + piece.size() > 75) {
            out += "=\r\n";
            lineLength = 0;
        }
        out += piece;
        lineLength += int(piece.size());
    };
    QByteArray normalised = input;
    normalised.replace("\r\n", "\n");
    for (qsizetype i = 0; i < normalised.size(); ++i) {
        const auto c = static_cast<unsigned char>(normalised.at(i));
        const bool endOfLine = i + 1 == normalised.size() || normalised.at(i + 1) == '\n';
        if (c == '\n') {
            out += "\r\n";
            lineLength = 0;
        } else if (((c == ' ' || c == '\t') && endOfLine) || c == '=' || c < 32 || c > 126) {
            put(QByteArray("=") + QByteArray::number(c, 16).toUpper().rightJustified(2, '0'));
        } else {
            put(QByteArray(1, char(c)));
        }
    }
    return out;
}

QByteArray base64Lines(const QByteArray& bytes)
{
    const QByteArray encoded = bytes.toBase64();
    QByteArray out;
    out.reserve(encoded.size() + encoded.size() / 38);
    for (qsizetype i = 0; i < encoded.size(); i += 76)
        out += encoded.mid(i, 76) + "\r\n";
    return out;
}

QByteArray boundary()
{
    return "=_vesk_" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

QByteArray textPart(const QString& text, const QByteArray& subtype)
{
    return "Content-Type: text/" + subtype +
           "; charset=\"UTF-8\"\r\n"
           "Content-Transfer-Encoding: quoted-printable\r\n\r\n" +
           quotedPrintable(text.toUtf8()) + "\r\n";
}

QByteArray attachmentPart(const SimpleMessage::Attachment& attachment)
{
    const QByteArray name = encodeWords(attachment.fileName);
    QByteArray head = "Content-Type: " + attachment.mimeType + "; name=\"" + name + "\"\r\n";
    if (attachment.contentId.isEmpty()) {
        head += "Content-Disposition: attachment; filename=\"" + name + "\"\r\n";
    } else {
        head += "Content-Disposition: inline; filename=\"" + name + "\"\r\n";
        head += "Content-ID: <" + attachment.contentId + ">\r\n";
    }
    return head + "Content-Transfer-Encoding: base64\r\n\r\n" + base64Lines(attachment.bytes);
}

QByteArray multipart(const QByteArray& subtype, const QList<QByteArray>& parts)
{
    const QByteArray mark = boundary();
    QByteArray out = "Content-Type: multipart/" + subtype + "; boundary=\"" + mark + "\"\r\n\r\n";
    for (const QByteArray& part : parts)
        out += "--" + mark + "\r\n" + part + "\r\n";
    return out + "--" + mark + "--\r\n";
}

QByteArray bodyEntity(const SimpleMessage& message)
{
    QByteArray body = message.html.isEmpty()
                          ? textPart(message.text, "plain")
                          : multipart("alternative", {textPart(message.text, "plain"),
                                                      textPart(message.html, "html")});
    if (message.attachments.isEmpty())
        return body;
    QList<QByteArray> parts{body};
    for (const auto& attachment : message.attachments)
        parts.append(attachmentPart(attachment));
    return multipart("mixed", parts);
}

} // namespace

QByteArray SimpleMessage::toRfc822() const
{
    const QDateTime when = date.isValid() ? date : QDateTime::currentDateTimeUtc();
    const QByteArray id =
        messageId.isEmpty() ? QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + "@exemplo.pt"
                            : messageId;
    QByteArray head;
    head += "From: " + encodeAddresses(from) + "\r\n";
    if (!to.isEmpty())
        head += "To: " + encodeAddresses(to) + "\r\n";
    if (!cc.isEmpty())
        head += "Cc: " + encodeAddresses(cc) + "\r\n";
    head += "Subject: " + encodeWords(subject) + "\r\n";
    const QString stamp =
        QLocale::c().toString(when.toUTC(), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss"));
    head += "Date: " + stamp.toLatin1() + " +0000";
    head += "\r\nMessage-ID: <" + id + ">\r\n";
    if (!inReplyTo.isEmpty()) {
        head += "In-Reply-To: <" + inReplyTo + ">\r\n";
        head +=
            "References: " + (references.isEmpty() ? "<" + inReplyTo + ">" : references) + "\r\n";
    }
    head += "MIME-Version: 1.0\r\n";
    return head + bodyEntity(*this);
}

} // namespace vesk::fakegoogle
