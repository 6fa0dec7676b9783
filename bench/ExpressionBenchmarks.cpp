// The expression file against the conversion it goes with, on a generated 10 MB roll: the
// expression may add at most a quarter to the conversion's time (docs/performance.md).
//
// BM_Conversion is the whole load (annotation file, roll, MIDI file); BM_ConversionWithExpression
// /NAME the same with the expression file written alongside with the profile NAME, as the
// programs write it; BM_Expression/NAME writes the expression file alone, of the loaded roll;
// BM_ShapeHoles/NAME reads the loaded roll's holes through the profile's tracker bar alone. The
// generated roll has control holes on tracks 1 to 4 (notes 16 to 19): a crescendo, sforzando, pedal
// or snakebite for most profiles.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "BenchFolder.h"
#include "expression/Expression.h"
#include "expression/ExpressionOutput.h"
#include "expression/HoleShaping.h"
#include "expression/ProfileLocator.h"
#include "roll/CRollscribeDoc.h"
#include "roll/RollLoader.h"
#include "roll/SideOutput.h"

namespace fs = std::filesystem;
using namespace rollscribe;

namespace {

// The roll's size: 10 MB, or ROLLSCRIBE_BENCH_SIZE bytes (smaller for a run under a profiler).
const std::int64_t kSize = [] {
    const char* size = std::getenv("ROLLSCRIBE_BENCH_SIZE");
    return size ? std::atoll(size) : 10 * 1024 * 1024;
}();

// Out of line, so that a profiler tells the two apart.
__attribute__((noinline)) void ConvertOnce(CRollscribeDoc& doc, const fs::path& bar) {
    LoadRollFile(doc, CString(bar.string()));
}
__attribute__((noinline)) void ExpressOnce(const CRollscribeDoc& doc, const RollProfile& profile,
                                           const CString& path) {
    WriteExpressionFile(doc, profile, path);
}

void BM_Conversion(benchmark::State& state) {
    fs::path bar = RollOfSize(kSize);
    CRollscribeDoc doc;
    for (auto _ : state) ConvertOnce(doc, bar);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(bar)));
    state.counters["events"] = doc.m_events.GetSize();
}

void BM_Expression(benchmark::State& state, const std::string& name) {
    fs::path bar = RollOfSize(kSize);
    CRollscribeDoc doc;
    LoadRollFile(doc, CString(bar.string()));
    RollProfile profile = LoadProfile(name);
    CString path = ExpressionFilePath(doc);
    for (auto _ : state) ExpressOnce(doc, profile, path);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(bar)));
    state.counters["events"] = doc.m_events.GetSize();
}

// The first stage of the expression: the holes as the tracker bar reads them, a block at a time
// as the MIDI file's pass hands them on.
void BM_ShapeHoles(benchmark::State& state, const std::string& name) {
    fs::path bar = RollOfSize(kSize);
    CRollscribeDoc doc;
    LoadRollFile(doc, CString(bar.string()));
    RollProfile profile = LoadProfile(name);
    const std::size_t count = static_cast<std::size_t>(doc.m_events.GetSize());
    for (auto _ : state) {
        HoleStream holes(profile, doc.m_tempo);
        std::size_t shaped = 0;
        for (std::size_t done = 0; done < count;) {
            done = std::min(count, done + kFollowBlock);
            holes.Add(doc.m_events.begin(), done);
            shaped += holes.Ready().size();
        }
        holes.End();
        benchmark::DoNotOptimize(shaped + holes.Ready().size());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(bar)));
    state.counters["events"] = doc.m_events.GetSize();
}

// The conversion with the expression file written alongside, in the MIDI file's pass, as the
// programs write it (ExpressionOutput).
void BM_ConversionWithExpression(benchmark::State& state, const std::string& name) {
    fs::path bar = RollOfSize(kSize);
    CRollscribeDoc doc;
    ExpressionOutput expression(name);
    doc.m_pSideOutput = &expression;
    for (auto _ : state) ConvertOnce(doc, bar);
    if (!expression.Written()) state.SkipWithError("the expression file was not written");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(bar)));
}

// What the desktop program and the picture ask for: the emulation's results, no file.
void BM_Emulation(benchmark::State& state, const std::string& name) {
    fs::path bar = RollOfSize(kSize);
    CRollscribeDoc doc;
    LoadRollFile(doc, CString(bar.string()));
    RollProfile profile = LoadProfile(name);
    for (auto _ : state) benchmark::DoNotOptimize(EmulateExpression(doc, profile));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(bar)));
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("BM_Conversion", BM_Conversion)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    for (std::string_view name : kProfileNames)
        benchmark::RegisterBenchmark(("BM_Expression/" + std::string(name)).c_str(), BM_Expression,
                                     std::string(name))
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    for (std::string_view name : kProfileNames)
        benchmark::RegisterBenchmark(("BM_ConversionWithExpression/" + std::string(name)).c_str(),
                                     BM_ConversionWithExpression, std::string(name))
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    for (const char* name : {"88-note", "welte-red"})
        benchmark::RegisterBenchmark((std::string("BM_ShapeHoles/") + name).c_str(), BM_ShapeHoles,
                                     std::string(name))
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    for (const char* name : {"welte-red", "ampico-a"})
        benchmark::RegisterBenchmark((std::string("BM_Emulation/") + name).c_str(), BM_Emulation,
                                     std::string(name))
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
