// The main window over five accounts of 100,000 cached summaries each, ten
// pages loaded of their labels, started as a program of its own: the time
// from process start to the first frame showing the cached inbox beside
// reading the five caches alone (each measured just before the other; the
// median of five), and the longest block of the GUI thread, taken by a
// watchdog timer, during the start-up after the window shows, a periodic
// sync bringing 50 changes, scrolling the thread list from top to bottom, a
// page of older conversations arriving at its end, switching labels and
// accounts, switching to every account's inbox in one list and scrolling
// it, opening a conversation of 20 HTML messages and reading it to its
// end. Also the resident set of the running program and what each HTML body
// on screen adds to it (the web engine's processes included).
//
// The parent runs the Google stand-in (it answers on its own threads) and
// starts this same program with --window for each run; the two talk over
// the child's standard input and output.

#include "BenchMemory.h"
#include "CacheGenerator.h"
#include "Composition.h"
#include "FakeGoogle.h"
#include "SilentPoster.h"
#include "SimpleMessage.h"
#include "app/AppServices.h"
#include "app/AppState.h"
#include "auth/OAuthConfig.h"
#include "auth/TokenVault.h"
#include "model/AccountRegistry.h"
#include "model/MailStore.h"
#include "model/ThreadSummary.h"
#include "net/QNetworkTransport.h"
#include "notifications/NotificationRouter.h"
#include "platform/HeapGrowthAdvisor.h"
#include "platform/HeapPolicy.h"
#include "platform/MemorySecureStore.h"
#include "platform/QSettingsStore.h"
#include "sync/AccountSession.h"
#include "ui/reader/MessageCard.h"
#include "ui/reader/ReaderPane.h"
#include "ui/reader/web/HtmlMessageView.h"
#include "ui/reader/web/MessageWebProfile.h"
#include "ui/style/Brand.h"
#include "ui/threadlist/ThreadListModel.h"
#include "ui/threadlist/ThreadListPane.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QListView>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>
#include <glib.h>
#include <iostream>
#include <malloc.h>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace vesk;
using namespace std::chrono_literals;

namespace {

/// In the sidebar's order. The first is selected at start and has older
/// mail at Google than its cache holds; the second has the conversation of
/// HTML messages.
const QStringList s_accounts{
    QStringLiteral("grande@exemplo.pt"), QStringLiteral("boletins@exemplo.pt"),
    QStringLiteral("terceira@exemplo.pt"), QStringLiteral("quarta@exemplo.pt"),
    QStringLiteral("quinta@exemplo.pt")};
const QString s_large = s_accounts.at(0);
const QString s_html = s_accounts.at(1);
const QString s_clientId = QStringLiteral("bench-client");
const QString s_secret = QStringLiteral("segredo");
constexpr int s_summaries = 100000;
constexpr int s_htmlMessages = 20;
const QString s_htmlSubject = QStringLiteral("Boletim semanal");

rusage threadUsage()
{
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    return usage;
}

/// The clock a profiler's samples can be matched with (perf record -k
/// CLOCK_MONOTONIC).
qint64 monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

qint64 threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

/// How much later than the timeout it asked for the GUI thread's event loop
/// came back from waits that timed out, in all: the system's wake-up
/// latency, not the program's. A bare loop of 1 ms sleeps on this project's
/// two-core virtual machine, with nothing else running, comes back up to
/// 17 ms late about once a minute; counted as the window's, that alone
/// failed phases a minute long.
qint64 s_wokeLateNs = 0;
GPollFunc s_poll = nullptr;

/// The event loop's last waits, to tell a block spent waiting in the loop
/// itself from one spent in the program.
struct PollEntry
{
    qint64 startNs = 0;
    qint64 endNs = 0;
    gint timeoutMs = 0;
    gint ready = 0;
};
std::array<PollEntry, 64> s_polls{};
std::size_t s_nextPoll = 0;

gint timedPoll(GPollFD* fds, guint count, gint timeoutMs)
{
    const qint64 start = monotonicNs();
    const gint ready = s_poll(fds, count, timeoutMs);
    const qint64 end = monotonicNs();
    if (ready == 0 && timeoutMs >= 0)
        s_wokeLateNs += std::max<qint64>(0, end - start - qint64(timeoutMs) * 1000000);
    s_polls[s_nextPoll] = PollEntry{start, end, timeoutMs, ready};
    s_nextPoll = (s_nextPoll + 1) % s_polls.size();
    return ready;
}

/// The waits of the event loop that ended after `sinceNs` (monotonic).
void printPolls(qint64 sinceNs)
{
    for (std::size_t i = 0; i < s_polls.size(); ++i) {
        const PollEntry& poll = s_polls[(s_nextPoll + i) % s_polls.size()];
        if (poll.endNs > sinceNs) {
            std::fprintf(stderr,
                         "    +%.1f ms: waited %.1f ms for events (timeout %d ms, %d ready)\n",
                         double(poll.startNs - sinceNs) / 1e6,
                         double(poll.endNs - poll.startNs) / 1e6, poll.timeoutMs, poll.ready);
        }
    }
}

/// Times the waits of the GUI thread's event loop (Qt's on the default GLib
/// context); a wait that ends early, for work, is never counted.
void timeEventLoopWaits()
{
    s_poll = g_main_context_get_poll_func(nullptr);
    g_main_context_set_poll_func(nullptr, timedPoll);
}

/// With VESK_BENCH_BLOCKS set, every block over 16 ms is listed as it ends,
/// with the events the GUI thread began to handle during it.
const bool s_showBlocks = qEnvironmentVariableIsSet("VESK_BENCH_BLOCKS");

/// The last events delivered on the GUI thread, to tell what a block was
/// busy with: a block ends when the watchdog's timer is handled, so the
/// events that began within it name what held the thread.
// No signals, slots or properties of its own: moc would add nothing.
class EventLog final : public QObject // clazy:exclude=missing-qobject-macro
{
public:
    EventLog() { m_clock.start(); }
    qint64 nowNs() const { return m_clock.nsecsElapsed(); }
    /// The events that began after `sinceNs`, oldest first.
    void print(qint64 sinceNs) const
    {
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            const Entry& entry = m_entries[(m_next + i) % m_entries.size()];
            if (entry.ns > sinceNs && entry.className) {
                std::fprintf(stderr, "    +%.1f ms: event %d to %s\n",
                             double(entry.ns - sinceNs) / 1e6, entry.type, entry.className);
            }
        }
    }

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        m_entries[m_next] = Entry{nowNs(), int(event->type()), receiver->metaObject()->className()};
        m_next = (m_next + 1) % m_entries.size();
        return false;
    }

private:
    struct Entry
    {
        qint64 ns = 0;
        int type = 0;
        const char* className = nullptr;
    };
    QElapsedTimer m_clock;
    std::array<Entry, 256> m_entries{};
    std::size_t m_next = 0;
};

EventLog* s_eventLog = nullptr;

/// The longest time the GUI thread did not get round to a 1 ms timer, less
/// what the system added by waking it late from an idle wait, and how much of
/// it the thread spent computing (the rest it waited: for a lock, a file,
/// D-Bus, or a processor taken by other programs).
// No signals, slots or properties of its own: moc would add nothing.
class Watchdog final : public QObject // clazy:exclude=missing-qobject-macro
{
public:
    Watchdog()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
        m_clock.start();
    }
    void restart()
    {
        m_lastNs = m_clock.nsecsElapsed();
        m_startNs = m_lastNs;
        m_lastCpuNs = threadCpuNs();
        m_lastUsage = threadUsage();
        m_lastWokeLateNs = s_wokeLateNs;
        m_latestWakeNs = 0;
        m_longestWithWakesNs = 0;
        m_longestNs = 0;
        m_longestCpuNs = 0;
        m_over = 0;
        m_timer.start();
    }
    double longestMs() const { return double(m_longestNs) / 1e6; }
    double longestCpuMs() const { return double(m_longestCpuNs) / 1e6; }
    int blocksOver16ms() const { return m_over; }
    double latestWakeMs() const { return double(m_latestWakeNs) / 1e6; }
    double longestWithWakesMs() const { return double(m_longestWithWakesNs) / 1e6; }

private:
    void tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        const qint64 cpu = threadCpuNs();
        const qint64 late = s_wokeLateNs - m_lastWokeLateNs;
        const qint64 gap = now - m_lastNs - 1000000 - late;
        m_latestWakeNs = std::max(m_latestWakeNs, late);
        m_longestWithWakesNs = std::max(m_longestWithWakesNs, gap + late);
        const rusage usage = s_showBlocks ? threadUsage() : rusage{};
        if (s_showBlocks && late > 16000000)
            std::fprintf(stderr, "woken %.1f ms late from an idle wait, %.0f ms into the phase\n",
                         double(late) / 1e6, double(now - m_startNs) / 1e6);
        if (gap > 16000000) {
            ++m_over;
            // What the thread did besides computing: page faults (read from
            // disk, or fresh memory, which a virtual machine makes costly),
            // waits it chose and preemptions by others.
            if (s_showBlocks) {
                std::fprintf(stderr,
                             "block of %.1f ms (%.1f ms computing; %ld major and %ld minor faults, "
                             "%ld waits, "
                             "%ld preemptions), %.0f ms into the phase, ending at %.6f s\n",
                             double(gap) / 1e6, double(cpu - m_lastCpuNs) / 1e6,
                             usage.ru_majflt - m_lastUsage.ru_majflt,
                             usage.ru_minflt - m_lastUsage.ru_minflt,
                             usage.ru_nvcsw - m_lastUsage.ru_nvcsw,
                             usage.ru_nivcsw - m_lastUsage.ru_nivcsw, double(now - m_startNs) / 1e6,
                             double(monotonicNs()) / 1e9);
                if (s_eventLog)
                    s_eventLog->print(s_eventLog->nowNs() - (now - m_lastNs));
                printPolls(monotonicNs() - (now - m_lastNs));
            }
        }
        m_lastUsage = usage;
        if (gap > m_longestNs) {
            m_longestNs = gap;
            m_longestCpuNs = cpu - m_lastCpuNs;
        }
        m_lastNs = now;
        m_lastCpuNs = cpu;
        m_lastWokeLateNs = s_wokeLateNs;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    qint64 m_startNs = 0;
    qint64 m_lastCpuNs = 0;
    qint64 m_lastWokeLateNs = 0;
    qint64 m_latestWakeNs = 0;
    qint64 m_longestWithWakesNs = 0;
    rusage m_lastUsage{};
    qint64 m_longestNs = 0;
    qint64 m_longestCpuNs = 0;
    int m_over = 0;
};

/// Runs the event loop for `ms`, so that the watchdog sees what it brings.
/// A process's proportional share of resident memory (pages shared with
/// others counted in part), in KiB; 0 when it is gone.
long proportionalKbOf(const QString& pid)
{
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!rollup.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : rollup.readAll().split('\n')) {
        if (line.startsWith("Pss:"))
            return line.mid(4).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

/// The memory of this process and every process under it (the web engine's
/// zygote and renderers), shared pages counted once, in KiB.
long familyResidentKb()
{
    QHash<QString, QString> parentOf;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("PPid:"))
                parentOf.insert(pid, QString::fromLatin1(line.mid(5).trimmed()));
        }
    }
    const QString self = QString::number(QCoreApplication::applicationPid());
    long total = 0;
    for (auto it = parentOf.begin(); it != parentOf.end(); ++it) {
        QString ancestor = it.key();
        while (!ancestor.isEmpty() && ancestor != self && ancestor != u"0" && ancestor != u"1")
            ancestor = parentOf.value(ancestor);
        if (ancestor == self)
            total += proportionalKbOf(it.key());
    }
    return total;
}

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void await(QCoro::Task<> task)
{
    QEventLoop loop;
    bool done = false;
    auto runner = [&]() -> QCoro::Task<> {
        try {
            co_await task;
        } catch (...) {
        }
        done = true;
        loop.quit();
    };
    auto running = runner();
    if (!done)
        loop.exec();
}

std::string readLine()
{
    std::string line;
    std::getline(std::cin, line);
    return line;
}

void say(const char* format, double value)
{
    std::printf(format, value);
    std::fflush(stdout);
}

void report(const char* phase, const Watchdog& watchdog)
{
    std::printf("BLOCK %s %.1f %.1f %d %.1f %.1f\n", phase, watchdog.longestMs(),
                watchdog.longestCpuMs(), watchdog.blocksOver16ms(), watchdog.latestWakeMs(),
                watchdog.longestWithWakesMs());
    std::fflush(stdout);
    // The block log above ends with this phase.
    if (s_showBlocks)
        std::fprintf(stderr, "=== end of phase %s\n", phase);
}

/// The program as it starts: argv = --window DIR PORT TOKENS, the accounts'
/// access tokens joined by commas in their order.
/// Time since this process started, as the kernel recorded its start (in
/// hundredths of a second, so up to 10 ms too long). The benchmark's own
/// clock also counts forking the benchmark, which holds the stand-in's
/// mailboxes: tens to hundreds of milliseconds no user's launcher spends.
double msSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // The command name may hold spaces; the fields after it do not.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double startS = fields.value(19).toDouble() / double(::sysconf(_SC_CLK_TCK));
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return (double(now.tv_sec) + double(now.tv_nsec) / 1e9 - startS) * 1000.0;
}

int windowMain(int argc, char** argv)
{
    QApplication app(argc, argv);
    timeEventLoopWaits();
    HeapGrowthAdvisor heapGrowth(&app);
    EventLog eventLog;
    if (s_showBlocks) {
        s_eventLog = &eventLog;
        app.installEventFilter(&eventLog);
    }
    const QString dir = QString::fromLocal8Bit(argv[2]);
    const QUrl base(QStringLiteral("http://127.0.0.1:%1").arg(QString::fromLatin1(argv[3])));
    Brand::apply(app);

    AppServices services;
    services.settings = std::make_shared<QSettingsStore>(dir + QStringLiteral("/settings.ini"));
    auto config =
        std::make_shared<OAuthConfig>(services.settings, std::make_shared<MemorySecureStore>());
    config->setClientId(s_clientId);
    config->setClientSecret(s_secret);
    services.sessions.transport = std::make_shared<QNetworkTransport>();
    services.sessions.poster = std::make_shared<SilentPoster>();
    services.sessions.oauthConfig = config;
    services.sessions.oauthEndpoints =
        OAuthEndpoints{base.resolved(QUrl(QStringLiteral("/o/oauth2/v2/auth"))),
                       base.resolved(QUrl(QStringLiteral("/token"))),
                       base.resolved(QUrl(QStringLiteral("/revoke")))};
    services.sessions.gmailEndpoints =
        GmailEndpoints{base.resolved(QUrl(QStringLiteral("/gmail/v1/users/me"))),
                       base.resolved(QUrl(QStringLiteral("/v1/userinfo")))};
    services.sessions.storeBaseDirectory = dir + QStringLiteral("/cache");
    services.router = std::make_shared<NotificationRouter>();
    const auto expiry = QDateTime::currentDateTimeUtc().addSecs(3600);
    const QStringList tokens = QString::fromLatin1(argv[4]).split(u',');
    for (qsizetype i = 0; i < s_accounts.size(); ++i) {
        TokenVault(s_accounts.at(i), config, services.sessions.transport,
                   services.sessions.oauthEndpoints)
            .saveTokenSet(TokenSet{tokens.value(i), QStringLiteral("r"), expiry, QString()});
    }

    const std::shared_ptr<SettingsStore> settings = services.settings;
    // As the program starts.
    const bool anyAccount = AppState::readCachesAhead(services, CacheReadStart::AfterFirstFrame);
    AppState state(std::move(services));
    const std::unique_ptr<MainWindow> window = composeWindow(state, config, settings);
    if (anyAccount)
        MessageWebProfile::startEngine();
    Watchdog watchdog;
    bool framed = false;
    // The first frame that shows the cached inbox: a paint of the window or
    // of the thread list, with threads in the list, has been handed on.
    ThreadListPane* pane = window->findChild<ThreadListPane*>();
    QListView* list = pane->listView();
    // Local, so moc cannot see it; it needs nothing from moc anyway.
    struct FirstPaint final : QObject // clazy:exclude=missing-qobject-macro
    {
        std::function<bool()> ready;
        std::function<void()> onPaint;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint && onPaint && ready()) {
                auto once = std::move(onPaint);
                onPaint = nullptr;
                QTimer::singleShot(0, this, once);
            }
            return false;
        }
    } firstPaint;
    // A paint before the window shows (warming its caches) is not a frame.
    firstPaint.ready = [list, shown = window.get()] {
        return shown->isVisible() && list->model()->rowCount() > 0;
    };
    firstPaint.onPaint = [&] {
        framed = true;
        std::printf("FRAME %.0f %.1f\n", double(list->model()->rowCount()), msSinceProcessStart());
        std::fflush(stdout);
    };
    window->installEventFilter(&firstPaint);
    list->viewport()->installEventFilter(&firstPaint);
    window->resize(1400, 900);
    window->show();
    watchdog.restart();
    while (!framed)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (argc > 5 && std::string(argv[5]) == "--until-first-frame")
        return 0;

    // Start-up after the window shows: the sessions' first syncs.
    await(state.startAll());
    settle(500);
    report("startup", watchdog);
    say("RSS %.0f\n", double(bench::residentKb()));
    const auto parts = bench::residentParts();
    for (size_t i = 0; i < std::min<size_t>(parts.size(), 6); ++i)
        std::printf("RSSPART %ld %s\n", parts[i].second, parts[i].first.c_str());

    // A periodic sync that brings 50 changes (delivered by the parent).
    say("READY %.0f\n", 0);
    readLine();
    watchdog.restart();
    await(state.sessions().first()->syncNow());
    settle(300);
    report("sync50", watchdog);

    // Scrolling the thread list from top to bottom, a page per frame.
    QScrollBar* bar = list->verticalScrollBar();
    watchdog.restart();
    for (int value = 0; value < bar->maximum(); value += std::max(1, bar->pageStep())) {
        bar->setValue(value);
        settle(16);
    }
    bar->setValue(bar->maximum());
    settle(100);
    report("scroll", watchdog);

    // A page of older conversations arriving at 100,000 cached summaries.
    // Reaching the end asked for one already (the inbox listed again from
    // the start: the cache did not know how deep it went); the next one is
    // a list call and 75 fetches, then the regrouping and the rows.
    for (int wait = 0; wait < 600 && state.isLoadingMore(); ++wait)
        settle(50);
    watchdog.restart();
    await(state.loadMore());
    for (int wait = 0; wait < 200 && state.isLoadingMore(); ++wait)
        settle(10);
    settle(500);
    report("page", watchdog);

    // What one change of the list costs the GUI thread, taken apart.
    {
        QElapsedTimer cost;
        cost.start();
        const auto summaries =
            state.sessions().first()->store()->summaries(QStringLiteral("INBOX"));
        const double read = double(cost.nsecsElapsed()) / 1e6;
        cost.restart();
        const auto threads = ThreadSummary::group(summaries);
        benchmark::DoNotOptimize(threads);
        const double group = double(cost.nsecsElapsed()) / 1e6;
        cost.restart();
        state.selectLabel(QStringLiteral("SENT"));
        const double away = double(cost.nsecsElapsed()) / 1e6;
        cost.restart();
        state.selectLabel(QStringLiteral("INBOX"));
        const double back = double(cost.nsecsElapsed()) / 1e6;
        std::printf("COST inbox of %lld summaries: reading %.1f ms, grouping %.1f ms; selecting "
                    "another label %.1f ms, the inbox again %.1f ms (grouping and list update)\n",
                    qint64(summaries.size()), read, group, away, back);
        std::fflush(stdout);
        settle(300);
    }

    // Switching labels and accounts.
    watchdog.restart();
    for (const QString& label : {QStringLiteral("SENT"), QStringLiteral("INBOX"),
                                 QStringLiteral("STARRED"), QStringLiteral("INBOX")}) {
        state.selectLabel(label);
        settle(100);
    }
    state.selectAccount(s_html);
    settle(300);
    state.selectAccount(s_large);
    settle(300);
    report("switch", watchdog);

    // Every account's inbox in one list: switching to it (five inboxes
    // grouped and merged), scrolling it from top to bottom as above (its
    // end asks every account for its next page) and switching back.
    {
        const ThreadListModel* model = pane->model();
        const auto mergedShown = [&] {
            const auto& threads = state.visibleThreads();
            return state.isAllAccounts() && !threads.isEmpty() &&
                   model->rowCount() == threads.size() && !model->thread(0).accountId.isEmpty();
        };
        watchdog.restart();
        state.selectAccount(AppState::allAccountsId());
        for (int wait = 0; wait < 1000 && !mergedShown(); ++wait)
            settle(16);
        if (!mergedShown()) {
            std::fprintf(stderr, "bench_window: the list of every account did not show\n");
            return 1;
        }
        const int rows = model->rowCount();
        // A page per frame, as above, but over five times the rows: steps
        // of a longer list are bounded, as a person drags the bar there.
        const int step = std::max({1, bar->pageStep(), bar->maximum() / 1500});
        for (int value = 0; value < bar->maximum(); value += step) {
            bar->setValue(value);
            settle(16);
        }
        bar->setValue(bar->maximum());
        settle(100);
        for (int wait = 0; wait < 600 && state.isLoadingMore(); ++wait)
            settle(50);
        settle(300);
        state.selectAccount(s_large);
        settle(300);
        report("merged", watchdog);
        say("MERGEDROWS %.0f\n", rows);
    }

    // Opening a conversation of 20 HTML messages, and what its cards cost in
    // memory: this process and the web engine's processes under it.
    state.selectAccount(s_html);
    QString htmlThread;
    // Its 100,000 summaries are grouped on a worker first.
    for (int wait = 0; wait < 200 && htmlThread.isEmpty(); ++wait) {
        settle(50);
        for (const ThreadSummary& thread : state.visibleThreads()) {
            if (!thread.messages.isEmpty() && thread.subject() == s_htmlSubject)
                htmlThread = thread.threadId;
        }
    }
    settle(300);
    AccountSession* small = state.selectedSession();
    if (htmlThread.isEmpty() || !small) {
        std::fprintf(stderr, "bench_window: the HTML conversation is not listed\n");
        return 1;
    }
    const long before = familyResidentKb();
    watchdog.restart();
    await(small->openThread(htmlThread));
    // The pages load, measure and paint on their own time.
    settle(4000);
    report("html20", watchdog);
    const auto* reader = window->findChild<ReaderPane*>();
    const auto liveBodies = [reader] {
        return std::count_if(
            reader->cards().cbegin(), reader->cards().cend(),
            [](const MessageCard* card) { return card->htmlView() && card->htmlView()->isLive(); });
    };
    const auto shownOnOpening = liveBodies();
    const long opened = familyResidentKb();

    // Reading on to the end, a page per step: every body comes into sight.
    QScrollBar* column = reader->scrollArea()->verticalScrollBar();
    watchdog.restart();
    while (column->value() < column->maximum()) {
        column->setValue(column->value() + std::max(1, column->pageStep()));
        settle(200);
    }
    settle(2000);
    report("htmlread", watchdog);
    const auto shownInAll = liveBodies();
    std::printf("HTMLCARD %.0f %lld %.0f %lld\n",
                double(opened - before) / double(std::max<qsizetype>(1, shownOnOpening)),
                qint64(shownOnOpening), double(familyResidentKb() - before) / 1024.0,
                qint64(shownInAll));
    std::fflush(stdout);
    return 0;
}

/// The parent's world: the stand-in, and the profile the program starts with.
struct World
{
    fakegoogle::FakeGoogle google;
    QTemporaryDir dir;
    /// The accounts' access tokens, in their order, joined by commas.
    QString tokens;

    /// Each account's cache holds `summaries` summaries.
    explicit World(int summaries)
    {
        if (!google.start())
            qFatal("the Google stand-in did not start");
        google.registerClient(s_clientId, s_secret);
        for (const QString& email : s_accounts) {
            google.addAccount(email, email);
            for (int m = 0; m < 10; ++m)
                deliver(email, m);
        }
        // Older mail at Google than the cache holds, for the pages loaded at
        // the end of the list.
        const QDateTime longAgo(QDate(2015, 1, 1), QTime(12, 0), Qt::UTC);
        for (int m = 0; m < 300; ++m) {
            fakegoogle::SimpleMessage message;
            message.from = QStringLiteral("Sofia <sofia@x.pt>");
            message.to = s_large;
            message.subject = QStringLiteral("Mensagem antiga %1").arg(m);
            message.text = QStringLiteral("Olá, até já");
            google.addMessage(s_large, message.toRfc822(), {QStringLiteral("INBOX")},
                              longAgo.addSecs(-3600 * m));
        }
        // Every cache is current with the stand-in, so that start-up syncs
        // incrementally, as after an ordinary quit; the HTML conversation
        // arrives after its account's cache, and that start-up brings it.
        QList<quint64> historyIds;
        QStringList tokenList;
        for (const QString& email : s_accounts) {
            historyIds.append(google.historyId(email));
            tokenList.append(google.issueTokens(email, s_clientId, 3600s).accessToken);
        }
        tokens = tokenList.join(u',');
        deliverHtmlThread(s_html);
        auto settings =
            std::make_shared<QSettingsStore>(dir.filePath(QStringLiteral("settings.ini")));
        AccountRegistry registry(settings);
        registry.load();
        for (qsizetype i = 0; i < s_accounts.size(); ++i)
            registry.upsert(
                AccountIdentity{s_accounts.at(i), QStringLiteral("Conta %1").arg(i + 1)});
        // Each account's own mail (another seed), its caches made side by side.
        const QString cacheBase = dir.filePath(QStringLiteral("cache"));
        std::vector<std::thread> writers;
        for (qsizetype i = 0; i < s_accounts.size(); ++i) {
            writers.emplace_back([&, i] {
                MailStore store(s_accounts.at(i), cacheBase);
                store.upsert(bench::generateSummaries(summaries, quint32(7 + i)));
                // Ten pages loaded of the labels the summaries carry. The
                // first account's inbox has its first page only, so that its
                // end loads the next one from Google's older mail.
                QStringList labels{QStringLiteral("IMPORTANT"), QStringLiteral("CATEGORY_PERSONAL"),
                                   QStringLiteral("CATEGORY_UPDATES")};
                if (i == 0)
                    store.markLabelLoaded(QStringLiteral("INBOX"));
                else
                    labels.append(QStringLiteral("INBOX"));
                for (const QString& label : labels)
                    store.setLabelPages(label, LabelPages{10, QString(), false});
                store.setHistoryId(QString::number(historyIds.at(i)));
            });
        }
        for (std::thread& writer : writers)
            writer.join();
    }

    /// The reference of the start-up: reading and decoding the five caches
    /// as the program does, side by side (the selected account's on the
    /// thread that asks, the others on threads of their own), each by
    /// opening its store. No program can show the cached mail of five
    /// accounts sooner than it has read them; the figure is what the window
    /// adds to that.
    double loadMs() const
    {
        const QString cacheBase = dir.filePath(QStringLiteral("cache"));
        QElapsedTimer timer;
        timer.start();
        std::vector<std::thread> readers;
        for (qsizetype i = 1; i < s_accounts.size(); ++i)
            readers.emplace_back([&, i] { MailStore store(s_accounts.at(i), cacheBase); });
        {
            MailStore store(s_large, cacheBase);
        }
        for (std::thread& reader : readers)
            reader.join();
        return double(timer.nsecsElapsed()) / 1e6;
    }

    /// The heap the five accounts' decoded caches take alone, in KiB.
    double storesHeapKb() const
    {
        const QString cacheBase = dir.filePath(QStringLiteral("cache"));
        const auto inUse = [] {
            const struct mallinfo2 heap = mallinfo2();
            return double(heap.uordblks + heap.hblkhd) / 1024.0;
        };
        const double before = inUse();
        std::vector<std::optional<MailStore::State>> states;
        for (const QString& email : s_accounts)
            states.push_back(MailStore::readCache(email, cacheBase));
        return inUse() - before;
    }

    /// A conversation of newsletters: tables, styled text and a remote
    /// picture each, about 6 KB of HTML per message.
    void deliverHtmlThread(const QString& email)
    {
        QString threadId;
        for (int m = 0; m < s_htmlMessages; ++m) {
            fakegoogle::SimpleMessage message;
            message.from = QStringLiteral("Boletim <boletim@x.pt>");
            message.to = email;
            message.subject = m == 0 ? s_htmlSubject : QStringLiteral("Re: ") + s_htmlSubject;
            message.text = QStringLiteral("Boletim n.º %1").arg(m);
            QString html = QStringLiteral("<table width=\"600\" style=\"border-collapse:collapse\">"
                                          "<tr><td><img src=\"https://img.x.pt/%1.png\" "
                                          "width=\"600\" height=\"120\"></td></tr>")
                               .arg(m);
            for (int row = 0; row < 12; ++row) {
                html += QStringLiteral("<tr><td style=\"padding:8px;font-family:serif\"><h3>Artigo "
                                       "%1</h3><p>Fado, cinema e feiras nesta semana em Lisboa, "
                                       "com horários, preços e moradas.</p></td></tr>")
                            .arg(row);
            }
            message.html = html + QStringLiteral("</table>");
            message.date = QDateTime::currentDateTimeUtc().addSecs(-3600 + m);
            const auto ref = google.addMessage(email, message.toRfc822(), {QStringLiteral("INBOX")},
                                               message.date, threadId);
            threadId = ref.threadId;
        }
    }

    void deliver(const QString& email, int m)
    {
        fakegoogle::SimpleMessage message;
        message.from = QStringLiteral("Sofia <sofia@x.pt>");
        message.to = email;
        message.subject = QStringLiteral("Mensagem %1").arg(m);
        message.text = QStringLiteral("Olá, até já");
        google.deliverMessage(email, message.toRfc822());
    }
};

World& world()
{
    static World* s_world = new World(s_summaries);
    return *s_world;
}

/// The same accounts with a hundredth of the mail cached: what the window's
/// first frame costs when the caches are small.
World& smallWorld()
{
    static World* s_world = new World(s_summaries / 100);
    return *s_world;
}

struct Run
{
    double frameMs = 0;
    double frameFromProcessStartMs = 0;
    double rows = 0;
    std::map<std::string, QList<QByteArray>> blocks;
    double rssKb = 0;
    QList<QByteArray> rssParts; // "KiB name", largest first
    double mergedRows = 0;
    double htmlOpenedKb = -1;
    double htmlOpenedCards = 0;
    double htmlReadMb = 0;
    double htmlCards = 0;
};

Run s_last;

/// Runs the window program; until its first frame only, or through every phase.
Run runWindow(bool untilFirstFrame, World& w = world())
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--window"), w.dir.path(), QString::number(w.google.port()),
                 w.tokens, untilFirstFrame ? QStringLiteral("--until-first-frame") : QString()});
    Run run;
    int delivered = 0;
    while (child.state() != QProcess::NotRunning || child.canReadLine()) {
        if (!child.canReadLine() && !child.waitForReadyRead(120000))
            break;
        while (child.canReadLine()) {
            const QList<QByteArray> words = child.readLine().trimmed().split(' ');
            if (words.value(0) == "FRAME") {
                run.frameMs = double(timer.nsecsElapsed()) / 1e6;
                run.rows = words.value(1).toDouble();
                run.frameFromProcessStartMs = words.value(2).toDouble();
            } else if (words.value(0) == "BLOCK") {
                run.blocks[words.value(1).toStdString()] = words.mid(2);
            } else if (words.value(0) == "COST") {
                std::printf("%s\n", words.join(' ').constData());
            } else if (words.value(0) == "HTMLCARD") {
                run.htmlOpenedKb = words.value(1).toDouble();
                run.htmlOpenedCards = words.value(2).toDouble();
                run.htmlReadMb = words.value(3).toDouble();
                run.htmlCards = words.value(4).toDouble();
            } else if (words.value(0) == "MERGEDROWS") {
                run.mergedRows = words.value(1).toDouble();
            } else if (words.value(0) == "RSSPART") {
                run.rssParts.append(words.mid(1).join(' '));
            } else if (words.value(0) == "RSS") {
                run.rssKb = words.value(1).toDouble();
            } else if (words.value(0) == "READY") {
                for (int m = 0; m < 50; ++m)
                    w.deliver(s_large, 1000 + delivered++);
                child.write("go\n");
            }
        }
    }
    child.waitForFinished(60000);
    return run;
}

// Start-up beside the cache load, each measured right before the other:
// a 2-core machine shared with others varies by a third from run to run, so
// the figure is the median of several runs.
std::vector<double> s_startupRatios;
// The first frame over caches of 100,000 summaries beside the first frame
// over caches of 1,000, run right after it: the start should not grow with
// the cache.
std::vector<double> s_sizeRatios;

void BM_StartToFirstFrame(benchmark::State& state)
{
    for (auto _ : state) {
        const double loadMs = world().loadMs();
        const Run run = runWindow(true);
        const Run small = runWindow(true, smallWorld());
        state.SetIterationTime(run.frameMs / 1000.0);
        if (run.rows <= 0 || small.rows <= 0)
            state.SkipWithError("the first frame showed no cached thread");
        std::printf("start to first frame %.0f ms (%.0f threads listed; %.0f ms from the launch, "
                    "fork included); the five caches read alone %.0f ms; with caches of %d "
                    "summaries %.0f ms\n",
                    run.frameFromProcessStartMs, run.rows, run.frameMs, loadMs, s_summaries / 100,
                    small.frameFromProcessStartMs);
        s_startupRatios.push_back(run.frameFromProcessStartMs / loadMs);
        s_sizeRatios.push_back(run.frameFromProcessStartMs / small.frameFromProcessStartMs);
    }
}

void BM_WindowPhases(benchmark::State& state)
{
    for (auto _ : state) {
        s_last = runWindow(false);
        state.SetIterationTime(s_last.frameMs / 1000.0);
    }
}

/// Puts every thread of this process but the calling one below the program
/// measured (threads they start later follow them).
void lowerOtherThreads()
{
    const QString self = QString::number(::gettid());
    for (const QString& task :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (task != self)
            ::setpriority(PRIO_PROCESS, id_t(task.toInt()), 10);
    }
}

BENCHMARK(BM_StartToFirstFrame)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowPhases)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // What is measured runs as in the program, under its heap policy.
    keepFreedMemoryForReuse();
    if (argc >= 5 && std::string(argv[1]) == "--window")
        return windowMain(argc, argv);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    world();
    smallWorld();
    // The stand-in answers for Google's servers, which do not share the
    // user's processors: its threads run below the program measured, so that
    // the blocks the figures count are the program's own, not the stand-in
    // building answers beside it on a two-core machine.
    lowerOtherThreads();
    benchmark::RunSpecifiedBenchmarks();
    std::sort(s_startupRatios.begin(), s_startupRatios.end());
    if (!s_startupRatios.empty()) {
        std::printf("start-up ratios:");
        for (const double ratio : s_startupRatios)
            std::printf(" %.2f", ratio);
        std::printf("\nFIGURE startup_ratio %.2f\n", s_startupRatios[s_startupRatios.size() / 2]);
    }
    std::sort(s_sizeRatios.begin(), s_sizeRatios.end());
    if (!s_sizeRatios.empty()) {
        std::printf("first frame at 100,000 vs 1,000 summaries:");
        for (const double ratio : s_sizeRatios)
            std::printf(" %.2f", ratio);
        std::printf("\nFIGURE startup_size_ratio %.2f\n", s_sizeRatios[s_sizeRatios.size() / 2]);
    }
    for (const auto& [name, figures] : s_last.blocks) {
        std::printf("%s: longest block %s ms, of which %s ms computing; %s blocks over 16 ms; "
                    "the system woke the idle window up to %s ms late (not counted; counted, "
                    "the longest block would be %s ms)\n",
                    name.c_str(), figures.value(0).constData(), figures.value(1).constData(),
                    figures.value(2).constData(), figures.value(3).constData(),
                    figures.value(4).constData());
        std::printf("FIGURE gui_block_%s %s\n", name.c_str(), figures.value(0).constData());
    }
    std::printf("the list of every account showed %.0f conversations\n", s_last.mergedRows);
    std::printf("FIGURE app_rss_mb %.0f\n", s_last.rssKb / 1024.0);
    std::printf("  (the five accounts' caches, decoded alone, take %.0f MB of heap)\n",
                world().storesHeapKb() / 1024.0);
    for (const QByteArray& part : std::as_const(s_last.rssParts)) {
        const qsizetype space = part.indexOf(' ');
        std::printf("  of which %.0f MB %s\n", part.left(space).toDouble() / 1024.0,
                    part.mid(space + 1).constData());
    }
    if (s_last.htmlOpenedKb >= 0) {
        std::printf(
            "opening the HTML conversation loaded %.0f of its 20 bodies, %.0f KB each; "
            "read to its end, the reader held %.0f MB more than before it opened, with %.0f "
            "bodies still loaded\n",
            s_last.htmlOpenedCards, s_last.htmlOpenedKb, s_last.htmlReadMb, s_last.htmlCards);
        std::printf("FIGURE html_bodies_on_opening %.0f\n", s_last.htmlOpenedCards);
        std::printf("FIGURE html_card_kb %.0f\n", s_last.htmlOpenedKb);
        std::printf("FIGURE html_read_mb %.0f\n", s_last.htmlReadMb);
    }
    benchmark::Shutdown();
    return 0;
}
