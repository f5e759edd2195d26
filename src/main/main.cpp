// The composition root: the one place that builds the program's services,
// one of each, and hands them to what uses them. Nothing else in the program
// reaches for a process-wide instance.
//
// Until the window exists, the program shows what it has: the linked accounts
// from the user's settings and each account's cached conversations by label.

#include "app/AppServices.h"
#include "app/AppState.h"
#include "auth/OAuthConfig.h"
#include "model/MailStore.h"
#include "model/ThreadSummary.h"
#include "net/QNetworkTransport.h"
#include "notifications/NotificationRouter.h"
#include "notifications/SystemNotificationPoster.h"
#include "platform/DesktopBrowser.h"
#include "platform/Keychain.h"
#include "platform/QSettingsStore.h"
#include "sync/AccountSession.h"
#include "transfers/TransferManager.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTextStream>

using namespace vesk;

namespace {

/// The production services. Built after the application object and owned
/// by `main`'s frame, so that every one of them ends before it does.
AppServices productionServices()
{
    AppServices services;
    services.settings = std::make_shared<QSettingsStore>();
    services.browser = std::make_shared<DesktopBrowser>();
    services.router = std::make_shared<NotificationRouter>();
    // The window brings its own file dialogs; without them nothing asks
    // where to save.
    services.transfers = std::make_shared<TransferManager>(services.dialogs);
    services.sessions.transport = std::make_shared<QNetworkTransport>();
    services.sessions.poster =
        std::make_shared<SystemNotificationPoster>(QDBusConnection::sessionBus(), services.router);
    services.sessions.oauthConfig =
        std::make_shared<OAuthConfig>(services.settings, std::make_shared<Keychain>());
    return services;
}

void listAccount(QTextStream& out, const AccountSession& session)
{
    const AccountIdentity& identity = session.identity();
    const MailStore::State state = session.store()->snapshot();
    out << identity.name << " <" << identity.email << ">\n";
    for (const LabelInfo& label : state.labels) {
        const QList<ThreadSummary> threads =
            ThreadSummary::group(session.store()->summaries(label.id));
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

    const AppState state(productionServices());
    out << "VESK: a janela ainda não existe; contas e correio em cache:\n";
    if (state.sessions().isEmpty())
        out << "  nenhuma conta ligada\n";
    for (const AccountSession* session : state.sessions())
        listAccount(out, *session);
    return 0;
}
