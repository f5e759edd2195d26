// Writes batches of summaries to a store in a process of its own, optionally
// under a file-size limit, so that the store test can make a cache write fail
// half-way, as a full disk would.

#include "model/MailStore.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

using namespace Qt::StringLiterals;
using namespace vesk;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: mailstore_writer BASE EMAIL BATCHES [FILE_SIZE_LIMIT]\n");
        return 2;
    }
    MailStore store(args[2], args[1]);
    if (args.size() > 4) {
        // Past the limit write() fails with EFBIG instead of killing us.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = args[4].toULongLong();
        const rlimit fileSize{limit, limit};
        setrlimit(RLIMIT_FSIZE, &fileSize);
    }
    const QString snippet(400, u'ç');
    const int batches = args[3].toInt();
    const int first = int(store.snapshot().summaries.size());
    for (int batch = 0; batch < batches; ++batch) {
        QList<MessageSummary> summaries;
        for (int i = 0; i < 1000; ++i) {
            const QString id = u"m%1"_s.arg(first + batch * 1000 + i);
            summaries.append(MessageSummary{
                id, id, {u"INBOX"_s}, snippet, u"Nome"_s, u"a@b.pt"_s, u"Assunto"_s, batch});
        }
        store.upsert(summaries);
    }
    std::printf("%d\n", int(store.snapshot().summaries.size()));
    return 0;
}
