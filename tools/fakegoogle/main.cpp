// The stand-in for Google as a program, for the demo and the benchmarks:
// serves the demo mailboxes on 127.0.0.1 and prints what a client needs.
//
//   fakegoogle --port 8080 --seed demo [--deliver-every 30] [--quota 2026|legacy|off]
//              [--latency 150]

#include "DemoSeed.h"
#include "FakeGoogle.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

using namespace vesk::fakegoogle;
using namespace Qt::StringLiterals;

namespace {

std::optional<QuotaModel> quotaFromName(const QString& name)
{
    if (name == u"2026"_s)
        return QuotaModel::PerMinute2026;
    if (name == u"legacy"_s)
        return QuotaModel::LegacyPerSecond;
    if (name == u"off"_s)
        return QuotaModel::Off;
    return std::nullopt;
}

void printSetup(FakeGoogle& google, const QStringList& accounts)
{
    QTextStream out(stdout);
    out << "fakegoogle listening on " << google.baseUrl().toString() << "\n"
        << "  Gmail base:  " << google.gmailBaseUrl().toString() << "\n"
        << "  auth:        " << google.authUrl().toString() << "\n"
        << "  token:       " << google.tokenUrl().toString() << "\n"
        << "  revoke:      " << google.revokeUrl().toString() << "\n"
        << "  userinfo:    " << google.userInfoUrl().toString() << "\n";
    if (accounts.isEmpty()) {
        out.flush();
        return;
    }
    out << "OAuth client id:     " << DemoSeed::clientId << "\n"
        << "OAuth client secret: " << DemoSeed::clientSecret << "\n";
    for (const QString& account : accounts) {
        // Demo tokens last a day so a demo session need not refresh.
        const TokenGrant grant = google.issueTokens(
            account, QString::fromLatin1(DemoSeed::clientId), std::chrono::hours(24));
        out << "account " << account << "\n"
            << "  access token:  " << grant.accessToken << "\n"
            << "  refresh token: " << grant.refreshToken << "\n"
            << "  expires at:    " << grant.expiresAt.toString(Qt::ISODate) << "\n";
    }
    out << "try: curl -H 'Authorization: Bearer <access token>' "
        << google.gmailBaseUrl().toString() << "/labels\n";
    out.flush();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"fakegoogle"_s);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Local stand-in for Google's Gmail API and OAuth endpoints."_s);
    parser.addHelpOption();
    parser.addOption({u"port"_s, u"TCP port on 127.0.0.1 (0: any free port)."_s, u"N"_s, u"0"_s});
    parser.addOption({u"seed"_s, u"Mailbox seed: demo or empty."_s, u"NAME"_s, u"demo"_s});
    parser.addOption(
        {u"deliver-every"_s,
         u"Deliver a new demo message every S seconds, to each demo account in turn."_s, u"S"_s});
    parser.addOption({u"latency"_s, u"Delay every answer by MS milliseconds."_s, u"MS"_s, u"0"_s});
    parser.addOption({u"quota"_s, u"Per-user quota: 2026, legacy or off."_s, u"MODEL"_s, u"off"_s});
    parser.process(app);

    bool portOk = false;
    const uint port = parser.value(u"port"_s).toUInt(&portOk);
    const auto quota = quotaFromName(parser.value(u"quota"_s));
    const QString seed = parser.value(u"seed"_s);
    if (!portOk || port > 65535 || !quota || (seed != u"demo"_s && seed != u"empty"_s)) {
        std::fputs("fakegoogle: bad --port, --seed or --quota value (see --help)\n", stderr);
        return 2;
    }

    FakeGoogle google;
    google.setQuotaModel(*quota);
    google.setLatency(std::chrono::milliseconds(parser.value(u"latency"_s).toInt()));
    if (!google.start(quint16(port))) {
        std::fprintf(stderr, "fakegoogle: cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    // After listening: the demo newsletter links to pictures at this address.
    QStringList accounts;
    if (seed == u"demo"_s) {
        DemoSeed::apply(google);
        accounts = {QString::fromLatin1(DemoSeed::firstAccount),
                    QString::fromLatin1(DemoSeed::secondAccount)};
    }
    printSetup(google, accounts);

    QTimer arrivals;
    if (parser.isSet(u"deliver-every"_s) && !accounts.isEmpty()) {
        const double seconds = parser.value(u"deliver-every"_s).toDouble();
        if (seconds <= 0) {
            std::fputs("fakegoogle: --deliver-every needs a positive number of seconds\n", stderr);
            return 2;
        }
        int count = 0;
        QObject::connect(&arrivals, &QTimer::timeout, &google, [&google, &accounts, &count] {
            // Each account in turn, so that every account's notifications show.
            const QString& to = accounts.at(count % accounts.size());
            google.deliverMessage(to, DemoSeed::arrival(++count, to));
        });
        arrivals.start(int(seconds * 1000));
    }
    return app.exec();
}
