// Gmail's base64url (message bodies, attachments): any text decodes or is
// refused, and encoded bytes decode back to themselves, padded or not.

#include "FuzzCheck.h"
#include "compose/MIMEBuilder.h"
#include "gmail/Base64Url.h"

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<QByteArray> decoded = decodeBase64Url(QString::fromLatin1(bytes));
    if (decoded) {
        const std::optional<QByteArray> again =
            decodeBase64Url(MIMEBuilder::encodeBase64Url(*decoded));
        FUZZ_CHECK(again && *again == *decoded);
    }
    const QString unpadded = MIMEBuilder::encodeBase64Url(bytes);
    const std::optional<QByteArray> back = decodeBase64Url(unpadded);
    FUZZ_CHECK(back && *back == bytes);
    const QString padded = QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding));
    const std::optional<QByteArray> paddedBack = decodeBase64Url(padded);
    FUZZ_CHECK(paddedBack && *paddedBack == bytes);
    return 0;
}
