// Synchronisation against the Google stand-in with 50 ms added to every
// request: the first synchronisation of one account (profile, labels, the
// inbox's list and 75 metadata fetches) beside its round-trip lower bound,
// five accounts' first synchronisations at once under the 2026 per-user
// quota, counting the requests Google refused, and a label's next page (one
// list call and 75 fetches) beside its bound. Also what a full
// synchronisation after an expired history costs in quota with ten pages of
// the inbox loaded, on a clock that moves only while the quota is waited for.
// Then what a sync costs when hundreds of old messages below the loaded page
// were marked read elsewhere, and how fast new mail arrives when the quota
// in force is tighter than Google publishes and refusals say nothing of when
// to retry.

#include "AwaitTask.h"
#include "FakeGoogle.h"
#include "SilentPoster.h"
#include "SimpleMessage.h"
#include "VirtualClock.h"
#include "gmail/GmailQuota.h"
#include "gmail/LiveGmailAPI.h"
#include "gmail/StaticTokenProvider.h"
#include "model/MailStore.h"
#include "net/QNetworkTransport.h"
#include "platform/HeapPolicy.h"
#include "sync/SyncEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace vesk;
using namespace std::chrono_literals;

namespace {

constexpr int messagesPerAccount = 75;
// The account whose inbox is paged: ten pages and one more.
constexpr int pagedMessages = 11 * SyncEngine::firstPageSize;
const QString s_paged = QStringLiteral("paginas@exemplo.pt");
// The account whose old mail is marked read elsewhere: a loaded page and far
// more below it.
const QString s_marked = QStringLiteral("marcadas@exemplo.pt");
constexpr int markedRead = 330;
constexpr int newDuringMarking = 20;
// The account that meets a tighter quota than published.
const QString s_tight = QStringLiteral("apertada@exemplo.pt");
constexpr int tightUnits = 600;
constexpr auto tightWindow = 10s;
constexpr int tightNewMessages = 200;
constexpr auto latency = 50ms;
const QString clientId = QStringLiteral("bench-client");

struct World
{
    fakegoogle::FakeGoogle google;
    std::shared_ptr<QNetworkTransport> transport = std::make_shared<QNetworkTransport>();
    QStringList accounts;
};

World& world()
{
    static World* s_world = [] {
        auto* w = new World;
        if (!w->google.start())
            qFatal("the Google stand-in did not start");
        w->google.registerClient(clientId, QStringLiteral("segredo"));
        for (int a = 0; a < 5; ++a) {
            const QString email = QStringLiteral("conta%1@exemplo.pt").arg(a);
            w->google.addAccount(email, QStringLiteral("Conta %1").arg(a));
            for (int m = 0; m < messagesPerAccount; ++m) {
                fakegoogle::SimpleMessage message;
                message.from = QStringLiteral("Sofia <sofia@x.pt>");
                message.to = email;
                message.subject = QStringLiteral("Mensagem %1").arg(m);
                message.text = QStringLiteral("Olá, até já");
                w->google.addMessage(email, message.toRfc822(),
                                     {QStringLiteral("INBOX"), QStringLiteral("UNREAD")});
            }
            w->accounts.append(email);
        }
        w->google.addAccount(s_paged, QStringLiteral("Páginas"));
        const QDateTime now = QDateTime::currentDateTimeUtc();
        for (int m = 0; m < pagedMessages; ++m) {
            fakegoogle::SimpleMessage message;
            message.from = QStringLiteral("Sofia <sofia@x.pt>");
            message.to = s_paged;
            message.subject = QStringLiteral("Mensagem antiga %1").arg(m);
            message.text = QStringLiteral("Olá, até já");
            w->google.addMessage(s_paged, message.toRfc822(), {QStringLiteral("INBOX")},
                                 now.addSecs(-60 * (m + 1)));
        }
        w->google.addAccount(s_marked, QStringLiteral("Marcadas"));
        for (int m = 0; m < SyncEngine::firstPageSize + markedRead; ++m) {
            fakegoogle::SimpleMessage message;
            message.from = QStringLiteral("Sofia <sofia@x.pt>");
            message.to = s_marked;
            message.subject = QStringLiteral("Por ler %1").arg(m);
            message.text = QStringLiteral("Olá, até já");
            w->google.addMessage(s_marked, message.toRfc822(),
                                 {QStringLiteral("INBOX"), QStringLiteral("UNREAD")},
                                 now.addSecs(-60 * (m + 1)));
        }
        w->google.addAccount(s_tight, QStringLiteral("Apertada"));
        w->google.setQuotaModel(fakegoogle::QuotaModel::PerMinute2026);
        return w;
    }();
    return *s_world;
}

/// One account's engine over a fresh, empty cache.
struct Session
{
    Session(const QString& email, const QString& base, std::shared_ptr<SyncClock> clock = nullptr,
            RetryPolicy retries = RetryPolicy{4, 200ms, 2000ms})
    {
        World& w = world();
        const auto grant = w.google.issueTokens(email, clientId, 3600s);
        auto api = std::make_shared<LiveGmailAPI>(
            w.transport, std::make_shared<StaticTokenProvider>(grant.accessToken),
            GmailEndpoints{w.google.gmailBaseUrl(), w.google.userInfoUrl()}, retries);
        store = std::make_shared<MailStore>(email, base);
        engine = std::make_unique<SyncEngine>(AccountIdentity{email, email}, api, store,
                                              std::make_shared<SilentPoster>(), std::move(clock));
    }
    std::shared_ptr<MailStore> store;
    std::unique_ptr<SyncEngine> engine;
};

double s_firstSyncMs = 0;
int s_firstSyncRequests = 0;
double s_fiveSeconds = 0;
int s_refused = 0;

void BM_FirstSyncAt50ms(benchmark::State& state)
{
    World& w = world();
    w.google.setLatency(latency);
    double totalMs = 0;
    for (auto _ : state) {
        QTemporaryDir dir;
        Session session(w.accounts.first(), dir.path());
        w.google.clearRequests();
        w.google.resetUnits();
        QElapsedTimer timer;
        timer.start();
        test::awaitTask(session.engine->syncNow());
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        state.SetIterationTime(ms / 1000.0);
        totalMs += ms;
        if (session.engine->lastError())
            state.SkipWithError(qPrintable(*session.engine->lastError()));
        s_firstSyncRequests = int(w.google.requests().size());
        if (session.store->snapshot().summaries.size() != messagesPerAccount)
            state.SkipWithError("the first synchronisation did not fetch every message");
    }
    s_firstSyncMs = totalMs / double(state.iterations());
    w.google.setLatency(0ms);
}

void BM_FiveAccountsAt50ms(benchmark::State& state)
{
    World& w = world();
    w.google.setLatency(latency);
    for (auto _ : state) {
        QTemporaryDir dir;
        std::vector<std::unique_ptr<Session>> sessions;
        for (const QString& email : w.accounts)
            sessions.push_back(std::make_unique<Session>(email, dir.path()));
        w.google.resetUnits();
        QElapsedTimer timer;
        timer.start();
        std::vector<QCoro::Task<>> syncs;
        for (const auto& session : sessions)
            syncs.push_back(session->engine->syncNow());
        for (QCoro::Task<>& sync : syncs)
            test::awaitTask(std::move(sync));
        s_fiveSeconds = double(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(s_fiveSeconds);
        s_refused = 0;
        for (const QString& email : w.accounts)
            s_refused += w.google.quotaRefusals(email);
        for (const auto& session : sessions) {
            if (session->store->snapshot().summaries.size() != messagesPerAccount)
                state.SkipWithError("an account's first synchronisation did not finish");
        }
    }
    w.google.setLatency(0ms);
}

double s_pageMs = 0;
int s_pageRequests = 0;
qint64 s_fullUnits = 0;
double s_fullMinutes = 0;

void BM_NextPageAt50ms(benchmark::State& state)
{
    World& w = world();
    double totalMs = 0;
    for (auto _ : state) {
        QTemporaryDir dir;
        Session session(s_paged, dir.path());
        w.google.resetUnits();
        test::awaitTask(session.engine->syncNow());
        w.google.setLatency(latency);
        w.google.clearRequests();
        QElapsedTimer timer;
        timer.start();
        test::awaitTask(session.engine->loadNextPage(QStringLiteral("INBOX")));
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        w.google.setLatency(0ms);
        state.SetIterationTime(ms / 1000.0);
        totalMs += ms;
        s_pageRequests = int(w.google.requests().size());
        if (session.store->summaryCount() != 2 * SyncEngine::firstPageSize)
            state.SkipWithError("the next page did not arrive whole");
    }
    s_pageMs = totalMs / double(state.iterations());
}

void BM_FullSyncOfTenPages(benchmark::State& state)
{
    World& w = world();
    const QString inbox = QStringLiteral("INBOX");
    for (auto _ : state) {
        QTemporaryDir dir;
        test::VirtualClock clock;
        w.google.setClock(clock.googleClock());
        w.google.resetUnits();
        {
            Session session(s_paged, dir.path(),
                            std::shared_ptr<SyncClock>(&clock, [](SyncClock*) {}));
            test::awaitTask(session.engine->syncNow());
            for (int page = 1; page < 10; ++page)
                test::awaitTask(session.engine->loadNextPage(inbox));
            // A change the lost history would have told of.
            w.google.modifyMessage(s_paged, w.google.messageIds(s_paged).constFirst(),
                                   {QStringLiteral("STARRED")}, {});
            w.google.expireHistoryBefore(s_paged, w.google.historyId(s_paged));
            const qint64 before = w.google.unitsSpent(s_paged);
            const qint64 started = clock.elapsedMs();
            test::awaitTask(session.engine->syncNow());
            s_fullUnits = w.google.unitsSpent(s_paged) - before;
            s_fullMinutes = double(clock.elapsedMs() - started) / 60000.0;
            state.SetIterationTime(s_fullMinutes * 60.0);
            if (session.engine->lastError() || session.store->labelPages(inbox).depth != 10)
                state.SkipWithError("the full synchronisation did not bring back ten pages");
        }
        w.google.setClock({});
    }
}

qint64 s_markedUnits = 0;
qint64 s_markedMinimum = 0;

void BM_LabelChangesBelowThePage(benchmark::State& state)
{
    World& w = world();
    for (auto _ : state) {
        QTemporaryDir dir;
        Session session(s_marked, dir.path());
        test::awaitTask(session.engine->syncNow());
        // Read elsewhere: every unread message below the loaded page, while
        // new mail arrives.
        const MailStore::State cached = session.store->snapshot();
        int marked = 0;
        for (const QString& id : w.google.messageIds(s_marked)) {
            const QStringList labels = w.google.labelIds(s_marked, id);
            if (!cached.summaries.contains(id) && labels.contains(QStringLiteral("UNREAD")) &&
                marked < markedRead) {
                w.google.modifyMessage(s_marked, id, {}, {QStringLiteral("UNREAD")});
                ++marked;
            }
        }
        for (int m = 0; m < newDuringMarking; ++m) {
            fakegoogle::SimpleMessage message;
            message.from = QStringLiteral("Rui <rui@x.pt>");
            message.to = s_marked;
            message.subject = QStringLiteral("Nova %1").arg(m);
            message.text = QStringLiteral("Até logo");
            w.google.deliverMessage(s_marked, message.toRfc822());
        }
        w.google.clearRequests();
        const qint64 before = w.google.unitsSpent(s_marked);
        test::awaitTask(session.engine->syncNow());
        s_markedUnits = w.google.unitsSpent(s_marked) - before;
        int historyPages = 0;
        for (const auto& request : w.google.requests())
            historyPages += request.path.endsWith(QStringLiteral("/history")) ? 1 : 0;
        s_markedMinimum = qint64(historyPages) * GmailQuota::historyList +
                          qint64(newDuringMarking) * GmailQuota::messagesGet;
        state.SetIterationTime(1);
        if (session.engine->lastError() || marked != markedRead ||
            session.store->summaryCount() != SyncEngine::firstPageSize + newDuringMarking)
            state.SkipWithError("the sync after the marking did not end as it should");
    }
}

double s_tightSeconds = 0;
double s_tightBoundSeconds = 0;
double s_tightRefusedShare = 0;

void BM_TightQuotaNoRetryAfter(benchmark::State& state)
{
    World& w = world();
    for (auto _ : state) {
        QTemporaryDir dir;
        test::VirtualClock clock;
        w.google.setClock(clock.googleClock());
        {
            // The pacer alone answers refusals here: quick retries below it
            // would only add refusals within the same instant of this clock.
            Session session(s_tight, dir.path(),
                            std::shared_ptr<SyncClock>(&clock, [](SyncClock*) {}),
                            RetryPolicy{}.leavingQuotaToPacer());
            test::awaitTask(session.engine->syncNow());
            w.google.setQuotaLimit(tightUnits, tightWindow);
            for (int m = 0; m < tightNewMessages; ++m) {
                fakegoogle::SimpleMessage message;
                message.from = QStringLiteral("Rui <rui@x.pt>");
                message.to = s_tight;
                message.subject = QStringLiteral("Campanha %1").arg(m);
                message.text = QStringLiteral("Até logo");
                w.google.deliverMessage(s_tight, message.toRfc822());
            }
            w.google.resetUnits();
            w.google.clearRequests();
            const qint64 started = clock.elapsedMs();
            test::awaitTask(session.engine->syncNow());
            const double seconds = double(clock.elapsedMs() - started) / 1000.0;
            const qint64 units = w.google.unitsSpent(s_tight);
            // What the limit allows: the units at its rate.
            s_tightBoundSeconds = double(units) * double(tightWindow.count()) / tightUnits;
            s_tightSeconds = seconds;
            const int requests = int(w.google.requests().size());
            s_tightRefusedShare =
                requests ? double(w.google.quotaRefusals(s_tight)) / double(requests) : 1.0;
            state.SetIterationTime(seconds);
            if (session.engine->lastError() ||
                session.store->summaryCount() != qsizetype(tightNewMessages))
                state.SkipWithError("the new mail did not all arrive under the tight quota");
        }
        w.google.setQuotaModel(fakegoogle::QuotaModel::PerMinute2026);
        w.google.setClock({});
    }
}

BENCHMARK(BM_FirstSyncAt50ms)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FiveAccountsAt50ms)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NextPageAt50ms)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSyncOfTenPages)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LabelChangesBelowThePage)->UseManualTime()->Iterations(1);
BENCHMARK(BM_TightQuotaNoRetryAfter)->UseManualTime()->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    // What is measured runs as in the program, under its heap policy.
    keepFreedMemoryForReuse();
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    // The requests depend on each other in three steps at least: the profile
    // and the labels (independent of each other), the inbox's list, then the
    // metadata fetches, as many at once as are in flight. The engine lets
    // SyncEngine::maxParallelFetches go out together; over HTTP/1.1, as the
    // stand-in speaks, Qt 6.4 opens at most six connections to one host (its
    // fixed per-host limit; HTTP/2, as Google speaks, multiplexes them all).
    constexpr int qtConnectionsPerHost = 6;
    const int onTheWire = std::min(SyncEngine::maxParallelFetches, qtConnectionsPerHost);
    const auto boundMs = [](int inFlight) {
        const int rounds = 2 + int(std::ceil(double(messagesPerAccount) / double(inFlight)));
        return double(rounds) * double(latency.count());
    };
    std::printf("first sync: %.0f ms for %d requests at %lld ms each; lower bound %.0f ms with %d "
                "in flight (HTTP/1.1 to the stand-in), %.0f ms with %d (the engine's limit, "
                "HTTP/2)\n",
                s_firstSyncMs, s_firstSyncRequests, qint64(latency.count()), boundMs(onTheWire),
                onTheWire, boundMs(SyncEngine::maxParallelFetches), SyncEngine::maxParallelFetches);
    std::printf("FIGURE sync_latency_ratio %.2f\n", s_firstSyncMs / boundMs(onTheWire));
    std::printf("FIGURE sync_latency_ratio_http2_bound %.2f\n",
                s_firstSyncMs / boundMs(SyncEngine::maxParallelFetches));
    std::printf("FIGURE sync_five_refused %d\n", s_refused);
    std::printf("FIGURE sync_five_seconds %.2f\n", s_fiveSeconds);
    // The next page: its list, then its 75 fetches as many at once as go.
    const int pageRounds =
        1 + int(std::ceil(double(SyncEngine::firstPageSize) / double(onTheWire)));
    const double pageBoundMs = double(pageRounds) * double(latency.count());
    std::printf("next page: %.0f ms for %d requests; lower bound %.0f ms with %d in flight\n",
                s_pageMs, s_pageRequests, pageBoundMs, onTheWire);
    std::printf("FIGURE page_latency_ratio %.2f\n", s_pageMs / pageBoundMs);
    std::printf("FIGURE page_requests %d\n", s_pageRequests);
    std::printf("full sync after an expired history, ten inbox pages loaded: %lld units, "
                "%.1f minutes of quota pacing\n",
                s_fullUnits, s_fullMinutes);
    std::printf("FIGURE full_sync_units_10_pages %lld\n", s_fullUnits);
    std::printf("FIGURE full_sync_minutes_10_pages %.1f\n", s_fullMinutes);
    std::printf("%d old messages marked read below the loaded page and %d new: %lld units, "
                "minimum %lld (history pages and the new messages)\n",
                markedRead, newDuringMarking, s_markedUnits, s_markedMinimum);
    std::printf("FIGURE label_changes_units_ratio %.2f\n",
                s_markedMinimum ? double(s_markedUnits) / double(s_markedMinimum) : 0.0);
    std::printf("%d new messages under %d units per %lld s without Retry-After: %.1f s of quota "
                "time, %.1f s at the limit's rate\n",
                tightNewMessages, tightUnits, qint64(tightWindow.count()), s_tightSeconds,
                s_tightBoundSeconds);
    std::printf("FIGURE tight_quota_time_ratio %.2f\n",
                s_tightBoundSeconds > 0 ? s_tightSeconds / s_tightBoundSeconds : 0.0);
    std::printf("FIGURE tight_quota_refused_share %.3f\n", s_tightRefusedShare);
    benchmark::Shutdown();
    return 0;
}
