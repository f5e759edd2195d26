// Records changes in a journal one after another until it is killed,
// printing each change's thread once record() has returned. The journal test
// kills it at random moments and reads what the disk holds.

#include "model/ChangeJournal.h"

#include <QCoreApplication>

#include <cstdio>

using namespace vesk;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fprintf(stderr, "usage: journal_writer FILE\n");
        return 2;
    }
    ChangeJournal journal(app.arguments().at(1));
    for (qsizetype n = journal.changes().size();; ++n) {
        const QString thread = QStringLiteral("t%1").arg(n);
        journal.record(PendingChange::labels(QStringList(thread), {QStringLiteral("STARRED")}, {}));
        std::printf("%s\n", qPrintable(thread));
        std::fflush(stdout);
    }
}
