// A message being sent, built into Gmail's raw form and read back by GMime:
// the subject, the body and every attachment come out as they went in, and
// nothing the user typed adds a header of its own.

#include "FuzzCheck.h"
#include "ParsedMessage.h"
#include "compose/MIMEBuilder.h"
#include "gmail/Base64Url.h"

#include <algorithm>

using namespace vesk;

namespace {

// What a reader shows of a typed header value: line breaks became spaces,
// and blanks at either end are dropped.
QString shown(QString value)
{
    value.replace(u'\r', u' ').replace(u'\n', u' ');
    return value.trimmed();
}

// Texts whose display a reader may legitimately change (other controls,
// lone surrogates turned into replacement characters) are not compared.
bool comparable(const QString& value)
{
    return std::all_of(value.begin(), value.end(), [](QChar c) {
        return c == u'\r' || c == u'\n' || c == u' ' ||
               (c.isPrint() && !c.isSurrogate() && c != QChar::ReplacementCharacter);
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::InputPieces input(data, size);
    const QString subject = input.nextText();
    const QString body = input.nextText();
    const QStringList to = MIMEBuilder::splitAddresses(input.nextText());
    const QStringList cc = MIMEBuilder::splitAddresses(input.nextText());
    const QString replyTo = input.nextText();
    QList<OutgoingAttachment> attachments;
    while (!input.atEnd() && attachments.size() < 4) {
        OutgoingAttachment attachment;
        attachment.filename = input.nextText();
        attachment.mimeType =
            input.nextChoice() % 2 ? MIMEBuilder::mimeType(attachment.filename) : input.nextText();
        attachment.data = input.nextBytes();
        attachments.append(attachment);
    }

    const QByteArray raw =
        MIMEBuilder::buildRaw(QStringLiteral("me@x.pt"), to, cc, {}, subject, body, attachments,
                              replyTo.isEmpty() ? std::nullopt : std::optional(replyTo),
                              replyTo.isEmpty() ? std::nullopt : std::optional(replyTo));
    const std::optional<QByteArray> message = decodeBase64Url(QString::fromLatin1(raw));
    FUZZ_CHECK(message);
    for (const QByteArray& line : message->split('\n'))
        FUZZ_CHECK(line.size() <= 1000); // 998 and the CR LF

    const test::ParsedMessage parsed = test::parseMessage(*message);
    FUZZ_CHECK(parsed.parsed);
    static const QStringList s_written =
        QStringLiteral("From To Cc Subject In-Reply-To References MIME-Version Content-Type "
                       "Content-Transfer-Encoding")
            .split(u' ');
    for (const auto& [name, value] : parsed.headers) {
        if (!s_written.contains(name, Qt::CaseInsensitive))
            std::fprintf(stderr, "unexpected header %s\n", qPrintable(name));
        FUZZ_CHECK(s_written.contains(name, Qt::CaseInsensitive));
    }
    if (comparable(subject))
        FUZZ_CHECK(shown(parsed.subject) == shown(subject));

    FUZZ_CHECK(parsed.parts.size() == attachments.size() + 1);
    FUZZ_CHECK(parsed.parts[0].content == body.toUtf8());
    for (qsizetype i = 0; i < attachments.size(); ++i) {
        const test::ParsedPart& part = parsed.parts[i + 1];
        FUZZ_CHECK(part.content == attachments[i].data);
        if (comparable(attachments[i].filename))
            FUZZ_CHECK(shown(part.filename) == shown(attachments[i].filename));
    }
    return 0;
}
