// Changes a large store step after step until it is killed, printing each
// step once the store has taken it. The store test kills it at random moments
// and reads what the disk holds.
//
// Step 0 fills the store with every message; step s > 0 rewrites the block
// s % blocks, each summary's subject saying which step wrote it. A run goes
// on from the step its cache file was left at, so what any kill leaves
// behind always names the state it belongs to.

#include "model/MailStore.h"

#include <QCoreApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

using namespace vesk;

namespace {

constexpr int s_blocks = 40;
constexpr int s_blockSize = 100;

MessageSummary summary(int index, qint64 step)
{
    const QString id = u"m%1"_s.arg(index);
    return MessageSummary(id, u"t%1"_s.arg(index / 3), {u"INBOX"_s, u"UNREAD"_s},
                          QString(200, u'ç'), u"Nome"_s, u"a@b.pt"_s, QString::number(step),
                          1700000000000 + index);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: mailstore_churn BASE EMAIL\n");
        return 2;
    }
    MailStore store(args[2], args[1]);
    qint64 step = -1;
    for (const MessageSummary& kept : store.snapshot().summaries)
        step = std::max(step, kept.subject().toLongLong());
    for (++step;; ++step) {
        QList<MessageSummary> changed;
        if (step == 0) {
            for (int i = 0; i < s_blocks * s_blockSize; ++i)
                changed.append(summary(i, 0));
        } else {
            const int block = int(step % s_blocks);
            for (int i = block * s_blockSize; i < (block + 1) * s_blockSize; ++i)
                changed.append(summary(i, step));
        }
        store.upsert(changed);
        std::printf("%lld\n", static_cast<long long>(step));
        std::fflush(stdout);
    }
}
