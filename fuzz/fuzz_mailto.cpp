// mailto: addresses from links in mail, the command line and other programs:
// whatever they hold, no field but the body carries a line break or another
// control character, every recipient is a mailbox, every size is bounded, and
// the message read is what an address written from it reads as again.

#include "FuzzCheck.h"
#include "compose/MailtoAddress.h"
#include "compose/OutgoingAddress.h"

#include <QUrl>

using namespace vesk;

namespace {

bool hasControl(const QString& text, bool lineBreaksAllowed)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (lineBreaksAllowed && (u == u'\n' || u == u'\t'))
            continue;
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029)
            return true;
    }
    return !lineBreaksAllowed && text.contains(u'\r');
}

void checkRecipients(const QStringList& entries)
{
    for (const QString& entry : entries) {
        FUZZ_CHECK(!hasControl(entry, false));
        FUZZ_CHECK(OutgoingAddress::parse(entry).has_value());
    }
}

/// The address that asks for exactly the message read.
QString written(const MailtoAddress& read)
{
    QStringList fields;
    const auto add = [&fields](const char* name, const QString& value) {
        fields.append(QLatin1String(name) + u'=' +
                      QString::fromLatin1(QUrl::toPercentEncoding(value)));
    };
    for (const QString& entry : read.to)
        add("to", entry);
    for (const QString& entry : read.cc)
        add("cc", entry);
    for (const QString& entry : read.bcc)
        add("bcc", entry);
    if (!read.subject.isEmpty())
        add("subject", read.subject);
    if (!read.body.isEmpty())
        add("body", read.body);
    return QStringLiteral("mailto:?") + fields.join(u'&');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const MailtoAddress read = MailtoAddress::parse(QString::fromUtf8(fuzz::bytesOf(data, size)));
    checkRecipients(read.to);
    checkRecipients(read.cc);
    checkRecipients(read.bcc);
    FUZZ_CHECK(read.to.size() + read.cc.size() + read.bcc.size() <= MailtoAddress::maxRecipients);
    FUZZ_CHECK(!hasControl(read.subject, false));
    FUZZ_CHECK(read.subject.size() <= MailtoAddress::maxSubjectLength);
    FUZZ_CHECK(!hasControl(read.body, true) && !read.body.contains(u'\r'));
    FUZZ_CHECK(read.body.size() <= MailtoAddress::maxBodyLength);
    FUZZ_CHECK(read.leftOut.size() <= MailtoAddress::maxLeftOut);
    for (const MailtoAddress::LeftOut& left : read.leftOut) {
        FUZZ_CHECK(left.piece.size() <= MailtoAddress::maxPieceLength);
        FUZZ_CHECK(!hasControl(left.piece, false));
    }
    FUZZ_CHECK(read.leftOut.isEmpty() == read.leftOutText().isEmpty());
    if (!read.isMailto()) {
        FUZZ_CHECK(read.to.isEmpty() && read.subject.isEmpty() && read.body.isEmpty());
        return 0;
    }
    const MailtoAddress again = MailtoAddress::parse(written(read));
    FUZZ_CHECK(again.leftOut.isEmpty());
    FUZZ_CHECK(again.to == read.to && again.cc == read.cc && again.bcc == read.bcc);
    FUZZ_CHECK(again.subject == read.subject && again.body == read.body);
    return 0;
}
