// Gmail's base64url (message bodies, attachments): any text decodes or is
// refused, and encoded bytes decode back to themselves, padded or not.

#include "FuzzCheck.h"
#include "compose/MIMEBuilder.h"
#include "gmail/Base64Url.h"

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    if (const auto decoded = decodeBase64Url(QString::fromLatin1(bytes)))
        FUZZ_CHECK(decodeBase64Url(MIMEBuilder::encodeBase64Url(*decoded)) == decoded);
    FUZZ_CHECK(decodeBase64Url(MIMEBuilder::encodeBase64Url(bytes)) == bytes);
    const QString padded = QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding));
    FUZZ_CHECK(decodeBase64Url(padded) == bytes);
    return 0;
}
