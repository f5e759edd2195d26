// Mail store benchmarks on generated caches of 1,000, 10,000 and 100,000
// summaries, each compared with a raw simdjson On-Demand walk of the same
// file, measured in the same run. Prints the ratios and the resident memory
// of a loaded 100,000-summary store at the end.

#include "BenchMemory.h"
#include "CacheGenerator.h"
#include "ReferenceWalk.h"
#include "model/MailStore.h"
#include "model/ThreadSummary.h"
#include "platform/HeapPolicy.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <map>
#include <memory>
#include <string>

using namespace vesk;

namespace {

const QString account = QStringLiteral("bench@exemplo.pt");

/// One generated cache per size, written once and shared by the benchmarks.
struct Cache
{
    std::unique_ptr<QTemporaryDir> dir;
    QString base;
    std::string file;
    qint64 bytes = 0;
};

const Cache& cacheOf(int count)
{
    static std::map<int, Cache> caches;
    auto it = caches.find(count);
    if (it != caches.end())
        return it->second;
    Cache cache;
    cache.dir = std::make_unique<QTemporaryDir>();
    cache.base = cache.dir->path();
    {
        MailStore store(account, cache.base);
        store.upsert(bench::generateSummaries(count));
        store.markLabelLoaded(QStringLiteral("INBOX"));
        store.setHistoryId(QStringLiteral("1234567"));
        cache.file = store.filePath().toStdString();
    }
    cache.bytes = QFileInfo(QString::fromStdString(cache.file)).size();
    return caches.emplace(count, std::move(cache)).first->second;
}

void BM_ReferenceWalk(benchmark::State& state)
{
    const Cache& cache = cacheOf(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(bench::referenceWalk(cache.file));
    state.counters["bytes_per_summary"] = double(cache.bytes) / double(state.range(0));
}

void BM_Load(benchmark::State& state)
{
    const Cache& cache = cacheOf(int(state.range(0)));
    for (auto _ : state) {
        auto store = std::make_unique<MailStore>(account, cache.base);
        benchmark::DoNotOptimize(store.get());
        // Freeing a large store is not part of loading it.
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
}

void BM_UpsertWithWrite(benchmark::State& state)
{
    const Cache& cache = cacheOf(int(state.range(0)));
    // Copy the cache so that the shared one stays as generated.
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + u'/' + account);
    QFile::copy(QString::fromStdString(cache.file), dir.path() + u'/' + account + u"/cache.json");
    MailStore store(account, dir.path());
    const QList<MessageSummary> fresh = bench::generateSummaries(75, 99);
    // The write itself runs on the store's writer thread; flush() waits for it.
    for (auto _ : state) {
        store.upsert(fresh);
        store.flush();
    }
}

// What a change costs the caller (the GUI thread) in the worst case: while
// the writer still holds its snapshot, the change copies the summary table.
void BM_UpsertWhileWriting(benchmark::State& state)
{
    const Cache& cache = cacheOf(int(state.range(0)));
    MailStore store(account, cache.base);
    const QList<MessageSummary> fresh = bench::generateSummaries(75, 99);
    for (auto _ : state) {
        state.PauseTiming();
        MailStore::State held = store.snapshot();
        state.ResumeTiming();
        store.upsert(fresh);
        state.PauseTiming();
        held = {};
        store.flush();
        state.ResumeTiming();
    }
}

void BM_SummariesForInbox(benchmark::State& state)
{
    const Cache& cache = cacheOf(int(state.range(0)));
    MailStore store(account, cache.base);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.summaries(QStringLiteral("INBOX")));
}

void BM_GroupAll(benchmark::State& state)
{
    const Cache& cache = cacheOf(int(state.range(0)));
    const QList<MessageSummary> all = MailStore(account, cache.base).snapshot().summaries.values();
    for (auto _ : state)
        benchmark::DoNotOptimize(ThreadSummary::group(all));
}

BENCHMARK(BM_ReferenceWalk)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpsertWithWrite)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpsertWhileWriting)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SummariesForInbox)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GroupAll)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

/// Resident memory that a loaded store holds, and the peak while loading.
void reportMemory(int count)
{
    const Cache& cache = cacheOf(count);
    bench::resetPeak();
    const long before = bench::residentKb();
    auto store = std::make_unique<MailStore>(account, cache.base);
    malloc_trim(0);
    const long after = bench::residentKb();
    const long peak = bench::peakResidentKb();
    std::printf("memory at %d summaries: %.0f bytes per summary held, %.0f at the peak of loading "
                "(%lld-byte file, %.0f bytes per summary)\n",
                count, double(after - before) * 1024.0 / count,
                double(peak - before) * 1024.0 / count, cache.bytes, double(cache.bytes) / count);
    std::printf("FIGURE store_load_peak %.0f\n", double(peak - before) * 1024.0 / count);
    std::printf("FIGURE store_held %.0f\n", double(after - before) * 1024.0 / count);
}

/// Remembers each run's time so that the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            // With repetitions, the median stands for the benchmark.
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")
                continue;
            m_times[run.run_name.str()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const
    {
        for (const int n : {1000, 10000, 100000}) {
            const std::string suffix = '/' + std::to_string(n);
            const auto time = [&](const char* name) {
                const auto it = m_times.find(name + suffix);
                return it == m_times.end() ? 0.0 : it->second;
            };
            const double reference = time("BM_ReferenceWalk");
            if (reference <= 0)
                continue;
            if (n == 100000)
                std::printf("FIGURE store_write_100k %.1f\n", time("BM_UpsertWithWrite"));
            std::printf("%6d summaries: load %.2fx, upsert+write %.2fx, group %.2fx, "
                        "summaries(INBOX) %.2fx the reference walk (%.2f ms)\n",
                        n, time("BM_Load") / reference, time("BM_UpsertWithWrite") / reference,
                        time("BM_GroupAll") / reference, time("BM_SummariesForInbox") / reference,
                        reference);
        }
    }

private:
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char** argv)
{
    // What is measured runs as in the program, under its heap policy.
    keepFreedMemoryForReuse();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    reportMemory(100000);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
