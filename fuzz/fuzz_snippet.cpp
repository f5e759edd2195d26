// Gmail's snippets with their HTML entities, as every view shows them.

#include "FuzzCheck.h"
#include "model/SnippetText.h"

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString snippet = QString::fromUtf8(fuzz::bytesOf(data, size));
    const QString shown = snippetDisplayText(snippet);
    // Without an entity there is nothing to turn into display text.
    if (!snippet.contains(u'&'))
        FUZZ_CHECK(shown == snippet);
    // An entity never grows into more than it spelled out.
    FUZZ_CHECK(shown.size() <= snippet.size());
    return 0;
}
