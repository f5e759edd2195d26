// Until the window exists, the program shows what it has: the linked accounts
// from the user's settings and each account's cached conversations by label.

#include "model/AccountRegistry.h"
#include "model/MailStore.h"
#include "model/ThreadSummary.h"
#include "platform/QSettingsStore.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace vesk;

namespace {

void listAccount(QTextStream& out, const AccountIdentity& identity)
{
    const MailStore store(identity.email);
    const MailStore::State state = store.snapshot();
    out << identity.name << " <" << identity.email << ">\n";
    for (const LabelInfo& label : state.labels) {
        const QList<ThreadSummary> threads = ThreadSummary::group(store.summaries(label.id));
        out << "  " << label.name << " (" << threads.size() << ")\n";
        for (const ThreadSummary& thread : threads.mid(0, 10))
            out << "    " << (thread.isUnread() ? "* " : "  ") << thread.participants() << " — "
                << thread.subject() << '\n';
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    AccountRegistry registry(std::make_shared<QSettingsStore>());
    registry.load();
    out << "VESK: a janela ainda não existe; contas e correio em cache:\n";
    if (registry.entries().isEmpty())
        out << "  nenhuma conta ligada\n";
    for (const AccountRegistry::Entry& entry : registry.entries())
        listAccount(out, entry.identity);
    return 0;
}
