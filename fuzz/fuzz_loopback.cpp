// What a browser (or anything else on this machine) sends the loopback
// receiver. The first piece is the state the receiver expects, the rest the
// request head. Whatever arrives gets a well-formed answer.

#include "FuzzCheck.h"
#include "auth/LoopbackRedirect.h"

using namespace vesk;

namespace {

void checkAnswer(const QByteArray& response)
{
    FUZZ_CHECK(response.startsWith("HTTP/1.1 200 "));
    const qsizetype blank = response.indexOf("\r\n\r\n");
    FUZZ_CHECK(blank > 0);
    const QByteArray head = response.left(blank);
    const qsizetype length = head.indexOf("\r\nContent-Length: ");
    FUZZ_CHECK(length > 0);
    const qsizetype lengthEnd = head.indexOf("\r\n", length + 2);
    const QByteArray value = head.mid(length + 18, lengthEnd < 0 ? -1 : lengthEnd - length - 18);
    FUZZ_CHECK(value.toLongLong() == response.size() - blank - 4);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::InputPieces input(data, size);
    const QString expectedState = input.nextText();
    const QByteArray head = input.rest();
    const LoopbackRedirect redirect = LoopbackRedirect::classify(head, expectedState);
    checkAnswer(redirect.response());
    // The failure page carries a reason that may hold anything, markup too,
    // which must reach the page as text.
    const QString reason = QString::fromUtf8(head);
    const QByteArray failure = LoopbackRedirect::failureResponse(reason);
    checkAnswer(failure);
    // (No tag of the reason reaches the page: it has the tags of one without them.)
    const QByteArray tagless = LoopbackRedirect::failureResponse(QString(reason).remove(u'<'));
    FUZZ_CHECK(failure.count('<') == tagless.count('<'));
    return 0;
}
