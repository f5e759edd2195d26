// MIME builder benchmarks: buildRaw on 25 MiB of attachments (five files of
// 5 MiB), in MiB of attachment per second, beside a plain copy of the same
// bytes measured in the same run. Prints how many copies of the attachment
// bytes were alive at once at the peak of one build.

#include "BenchMemory.h"
#include "compose/MIMEBuilder.h"
#include "platform/HeapPolicy.h"

#include <QRandomGenerator>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

using namespace vesk;

namespace {

constexpr qsizetype fileBytes = 5 * 1024 * 1024;
constexpr int fileCount = 5;
constexpr double totalMiB = double(fileBytes) * fileCount / (1024.0 * 1024.0);

QList<OutgoingAttachment> attachments()
{
    QList<OutgoingAttachment> files;
    for (int i = 0; i < fileCount; ++i) {
        QByteArray data(fileBytes, Qt::Uninitialized);
        QRandomGenerator generator(quint32(i + 1));
        generator.fillRange(reinterpret_cast<quint32*>(data.data()), fileBytes / 4);
        files.append(
            {QStringLiteral("anexo-%1.pdf").arg(i), QStringLiteral("application/pdf"), data});
    }
    return files;
}

auto build(const QList<OutgoingAttachment>& files)
{
    return MIMEBuilder::buildRaw(
        QStringLiteral("eu@exemplo.pt"), {QStringLiteral("ana@exemplo.pt")}, {}, {},
        QStringLiteral("Relatório"), QStringLiteral("Segue em anexo.\n"), files);
}

void BM_BuildRaw25MiB(benchmark::State& state)
{
    const QList<OutgoingAttachment> files = attachments();
    for (auto _ : state)
        benchmark::DoNotOptimize(build(files).size());
    state.SetBytesProcessed(int64_t(state.iterations()) * fileBytes * fileCount);
}

// What the machine does with the same bytes at best: one copy.
void BM_CopyReference25MiB(benchmark::State& state)
{
    const QList<OutgoingAttachment> files = attachments();
    QByteArray target(fileBytes * fileCount, Qt::Uninitialized);
    for (auto _ : state) {
        qsizetype at = 0;
        for (const OutgoingAttachment& file : files) {
            std::memcpy(target.data() + at, file.data.constData(), size_t(file.data.size()));
            at += file.data.size();
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * fileBytes * fileCount);
}

BENCHMARK(BM_BuildRaw25MiB)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_CopyReference25MiB)->Unit(benchmark::kMillisecond)->MinTime(0.5);

/// Copies of the attachment bytes alive at the peak of one build: the
/// attachments themselves count as one, everything the build holds on top
/// is measured against them.
double copiesAtPeak()
{
    const QList<OutgoingAttachment> files = attachments();
    bench::resetPeak();
    const long before = bench::residentKb();
    {
        const auto raw = build(files);
        benchmark::DoNotOptimize(raw.size());
    }
    const long peak = bench::peakResidentKb();
    return 1.0 + double(peak - before) * 1024.0 / (double(fileBytes) * fileCount);
}

class Reporter final : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            m_seconds[run.run_name.function_name] = run.GetAdjustedRealTime() / 1000.0;
        ConsoleReporter::ReportRuns(runs);
    }
    double mibPerSecond(const std::string& name) const
    {
        const auto it = m_seconds.find(name);
        return it == m_seconds.end() || it->second <= 0 ? 0 : totalMiB / it->second;
    }

private:
    std::map<std::string, double> m_seconds;
};

} // namespace

int main(int argc, char** argv)
{
    // What is measured runs as in the program, under its heap policy.
    keepFreedMemoryForReuse();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const double copies = copiesAtPeak();
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double speed = reporter.mibPerSecond("BM_BuildRaw25MiB");
    const double copy = reporter.mibPerSecond("BM_CopyReference25MiB");
    std::printf("a plain copy of the same bytes: %.0f MiB/s\n", copy);
    std::printf("FIGURE mime_speed %.1f\n", speed);
    std::printf("FIGURE mime_copies %.2f\n", copies);
    benchmark::Shutdown();
    return 0;
}
