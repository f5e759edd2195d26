// Google's answer to a refused call, or whatever arrives in its place: it is
// read into fields without failing, what the user is told is one line, and
// the details keep the answer's start.

#include "FuzzCheck.h"
#include "auth/OAuthError.h"
#include "gmail/GmailError.h"
#include "net/GoogleErrorBody.h"

using namespace vesk;

namespace {

void checkSentence(const QString& sentence)
{
    FUZZ_CHECK(!sentence.isEmpty());
    FUZZ_CHECK(!sentence.contains(u'\n') && !sentence.contains(u'\r'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::InputPieces input(data, size);
    // A status of 400 to 655: every refusal, and the ones that have meaning.
    const int status = 400 + input.nextChoice();
    const QByteArray body = input.nextBytes();

    const GoogleErrorBody parsed = GoogleErrorBody::parse(status, body);
    FUZZ_CHECK(parsed.httpStatus == status);
    FUZZ_CHECK(!parsed.message.contains(u'\n'));

    const GmailError gmail = GmailError::http(parsed);
    checkSentence(gmail.description());
    FUZZ_CHECK(gmail.details().startsWith(QStringLiteral("HTTP %1: ").arg(status)));
    FUZZ_CHECK(gmail.payload() == parsed.text);

    const OAuthError oauth = OAuthError::http(parsed);
    checkSentence(oauth.description());
    FUZZ_CHECK(oauth.errorCode() == parsed.error);
    return 0;
}
