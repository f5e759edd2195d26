// Writes the cache or the journal in a process of its own, so that the model
// tests can make a write fail half-way, as a full disk would, or kill the
// process at random moments and read what the disk holds.
//
//   store_writer batches BASE EMAIL COUNT [FILE_SIZE_LIMIT]
//     upserts COUNT batches of 1000 summaries, then prints how many the
//     store holds.
//   store_writer churn BASE EMAIL
//     changes a large store step after step until killed, printing each step
//     once the store has taken it. Step 0 fills the store; step s > 0
//     rewrites block s % 40, each summary's subject naming the step. A run
//     goes on from the step its cache was left at, so what any kill leaves
//     behind always names the state it belongs to.
//   store_writer journal FILE
//     records changes until killed, printing each one's thread once
//     record() has returned.

#include "model/ChangeJournal.h"
#include "model/MailStore.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

using namespace Qt::StringLiterals;
using namespace vesk;

namespace {

constexpr int s_blocks = 40; // as tst_model reads them
constexpr int s_blockSize = 100;

void say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

void batches(MailStore& store, int count)
{
    const QString snippet(400, u'ç');
    const int first = int(store.snapshot().summaries.size());
    for (int batch = 0; batch < count; ++batch) {
        QList<MessageSummary> summaries;
        for (int i = 0; i < 1000; ++i) {
            const QString id = u"m%1"_s.arg(first + batch * 1000 + i);
            summaries.append(MessageSummary{
                id, id, {u"INBOX"_s}, snippet, u"Nome"_s, u"a@b.pt"_s, u"Assunto"_s, batch});
        }
        store.upsert(summaries);
    }
    say(QString::number(store.snapshot().summaries.size()));
}

[[noreturn]] void churn(MailStore& store)
{
    qint64 step = -1;
    for (const MessageSummary& kept : store.snapshot().summaries)
        step = std::max(step, kept.subject().toLongLong());
    for (++step;; ++step) {
        const int from = step ? int(step % s_blocks) * s_blockSize : 0;
        const int to = step ? from + s_blockSize : s_blocks * s_blockSize;
        QList<MessageSummary> changed;
        for (int i = from; i < to; ++i) {
            changed.append(MessageSummary(u"m%1"_s.arg(i), u"t%1"_s.arg(i / 3),
                                          {u"INBOX"_s, u"UNREAD"_s}, QString(200, u'ç'), u"Nome"_s,
                                          u"a@b.pt"_s, QString::number(step), 1700000000000 + i));
        }
        store.upsert(changed);
        say(QString::number(step));
    }
}

[[noreturn]] void journal(const QString& path)
{
    ChangeJournal journal(path);
    for (qsizetype n = journal.changes().size();; ++n) {
        const QString thread = u"t%1"_s.arg(n);
        journal.record(PendingChange::labels(QStringList(thread), {u"STARRED"_s}, {}));
        say(thread);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == u"journal"_s && args.size() == 3)
        journal(args[2]);
    if (!(mode == u"churn"_s && args.size() == 4) && !(mode == u"batches"_s && args.size() >= 5)) {
        std::fprintf(stderr, "usage: store_writer batches BASE EMAIL COUNT [FILE_SIZE_LIMIT]\n"
                             "       store_writer churn BASE EMAIL | journal FILE\n");
        return 2;
    }
    MailStore store(args[3], args[2]);
    if (mode == u"churn"_s)
        churn(store);
    if (args.size() > 5) {
        // Past the limit write() fails with EFBIG instead of killing us.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = args[5].toULongLong();
        const rlimit fileSize{limit, limit};
        setrlimit(RLIMIT_FSIZE, &fileSize);
    }
    batches(store, args[4].toInt());
    return 0;
}
