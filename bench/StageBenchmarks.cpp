// Benchmarks of the conversion's stages and of the whole load, on generated rolls of 100 KB to
// 100 MB. Each reports the bytes it consumes (or, for the MIDI writing, produces) per second.
//
// The rolls are generated once per run into a temporary folder (or ROLLSCRIBE_BENCH_DIR when set,
// reusing what is there), so every stage sees the same bytes.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "BenchFolder.h"
#include "RollGenerator.h"
#include "platform/CArchive.h"
#include "platform/CFile.h"
#include "roll/CRollscribeDoc.h"
#include "roll/RollLoader.h"
#include "roll/RollReport.h"

namespace fs = std::filesystem;

using namespace rollscribe;

namespace {

constexpr std::int64_t KB = 1024;
constexpr std::int64_t MB = 1024 * 1024;

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// An annotation file of the given size, the companion of the (absent) roll "notes_SIZE.bar".
std::string AnnotationTitleOfSize(std::int64_t size) {
    std::string title = "notes_" + std::to_string(size);
    fs::path ann = BenchFolderPath() / (title + ".ann");
    if (!Exists(ann)) {
        rollgen::RollShape shape;
        std::string text = rollgen::GenerateAnnotations(shape, static_cast<std::size_t>(size));
        WriteWhole(ann, text.data(), text.size());
    }
    return title;
}

std::int64_t FileSize(const fs::path& path) {
    return static_cast<std::int64_t>(fs::file_size(path));
}

void BM_ReadAnnotations(benchmark::State& state) {
    std::string title = AnnotationTitleOfSize(state.range(0));
    CRollscribeDoc doc;
    for (auto _ : state) {
        state.PauseTiming();
        doc.ResetRollInfo();
        doc.m_strDirectory = CString(BenchFolderPath().string() + "/");
        doc.m_strFileTitle = CString(title);
        state.ResumeTiming();
        doc.ReadAnnotationFile();
        benchmark::DoNotOptimize(doc.m_annotations.GetCount());
    }
    state.SetBytesProcessed(state.iterations() * FileSize(BenchFolderPath() / (title + ".ann")));
    state.counters["entries"] = static_cast<double>(doc.m_annotations.GetCount());
}

void BM_ParseRoll(benchmark::State& state) {
    fs::path bar = RollOfSize(state.range(0));
    CRollscribeDoc doc;
    for (auto _ : state) {
        state.PauseTiming();
        doc.ResetRollInfo();
        state.ResumeTiming();
        CFile file;
        file.OpenOrThrow(CString(bar.string()));
        CArchive archive(&file, CArchive::load);
        doc.ParseBarFile(archive);
        benchmark::DoNotOptimize(doc.m_events.GetSize());
    }
    state.SetBytesProcessed(state.iterations() * FileSize(bar));
    state.counters["events"] = doc.m_events.GetSize();
}

void BM_WriteMidi(benchmark::State& state) {
    fs::path bar = RollOfSize(state.range(0));
    CRollscribeDoc doc;
    LoadRollFile(doc, CString(bar.string()));
    CString info = doc.m_strInfo;
    for (auto _ : state) {
        state.PauseTiming();
        doc.m_strInfo = info;
        state.ResumeTiming();
        doc.WriteMidiFile();
    }
    fs::path mid = bar.parent_path() / (bar.stem().string() + "_BAR_e.mid");
    state.SetBytesProcessed(state.iterations() * FileSize(mid));
    state.counters["events"] = doc.m_events.GetSize();
}

// The whole load, as opening the roll in the desktop program runs it: names, reset, annotation
// file, roll, MIDI file; then the report that the window shows.
void BM_LoadRoll(benchmark::State& state) {
    fs::path bar = RollOfSize(state.range(0));
    CRollscribeDoc doc;
    for (auto _ : state) {
        LoadRollFile(doc, CString(bar.string()));
        benchmark::DoNotOptimize(BuildRollReport(doc));
    }
    state.SetBytesProcessed(state.iterations() * FileSize(bar));
    state.counters["events"] = doc.m_events.GetSize();
}

// Converts each roll with a fresh document, as the converter does, and builds its report.
void LoadEach(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        CRollscribeDoc doc;
        LoadRollFile(doc, CString(path));
        benchmark::DoNotOptimize(BuildRollReport(doc));
    }
}

// The batch that the converter's batch measurement uses: 1,000 rolls (or ROLLSCRIBE_BENCH_BATCH)
// from seed 1, each converted by LoadEach. This is the conversion itself, without process,
// threads or output of reports.
void BM_LoadBatch(benchmark::State& state) {
    const std::size_t count = static_cast<std::size_t>(state.range(0));
    fs::path dir = BenchFolderPath() / ("batch_" + std::to_string(count));
    fs::create_directories(dir);
    std::vector<std::string> paths;
    std::int64_t bytes = 0;
    for (std::size_t i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "roll%04zu", i);
        fs::path bar = dir / (std::string(name) + ".bar");
        if (!Exists(bar) || !Exists(dir / (std::string(name) + ".ann"))) {
            rollgen::GeneratedRoll roll = rollgen::GenerateRoll(rollgen::BatchRollShape(1, i));
            WriteWhole(bar, roll.bar.data(), roll.bar.size());
            WriteWhole(dir / (std::string(name) + ".ann"), roll.ann.data(), roll.ann.size());
        }
        bytes += FileSize(bar);
        paths.push_back(bar.string());
    }
    for (auto _ : state) LoadEach(paths);
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(count));
}

// Every roll file of ROLLSCRIBE_BENCH_FOLDER converted once, as in BM_LoadBatch: the in-process
// counterpart of one converter run over that folder. Once only, since converting again would
// replace the MIDI files, which costs the file system more than writing new ones.
void BM_LoadFolder(benchmark::State& state, const fs::path& dir) {
    std::vector<std::string> paths;
    std::int64_t bytes = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".bar") continue;
        paths.push_back(entry.path().string());
        bytes += FileSize(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    for (auto _ : state) LoadEach(paths);
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(paths.size()));
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (std::int64_t size : {100 * KB, 1 * MB, 10 * MB, 100 * MB}) b->Arg(size);
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

}  // namespace

BENCHMARK(BM_ReadAnnotations)->Apply(Sizes);
BENCHMARK(BM_ParseRoll)->Apply(Sizes);
BENCHMARK(BM_WriteMidi)->Apply(Sizes);
BENCHMARK(BM_LoadRoll)->Apply(Sizes);

int main(int argc, char** argv) {
    // The batch's size: 1,000 rolls, or ROLLSCRIBE_BENCH_BATCH.
    std::int64_t batch = 1000;
    if (const char* count = std::getenv("ROLLSCRIBE_BENCH_BATCH")) batch = std::atoll(count);
    if (batch > 0)
        benchmark::RegisterBenchmark("BM_LoadBatch", BM_LoadBatch)
            ->Arg(batch)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    if (const char* folder = std::getenv("ROLLSCRIBE_BENCH_FOLDER"))
        benchmark::RegisterBenchmark("BM_LoadFolder", BM_LoadFolder, fs::path(folder))
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
