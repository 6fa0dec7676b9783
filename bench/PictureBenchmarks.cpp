// Benchmarks of the roll picture: building the scene of a 10 MB roll (what the desktop program
// does after it has loaded one), repainting a 1280-pixel-wide window of it at several zooms,
// without and with its expression (the Welte levels and pedals), and the PNG picture of the
// example roll (what the converter's picture option adds to a conversion).
//
// The 10 MB roll is generated once per run into a temporary folder (or ROLLSCRIBE_BENCH_DIR).
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "BenchFolder.h"
#include "expression/Expression.h"
#include "expression/ProfileLocator.h"
#include "picture/CairoCanvas.h"
#include "picture/FontCaches.h"
#include "picture/MarkerTextRows.h"
#include "picture/PictureFiles.h"
#include "picture/RollDrawing.h"
#include "picture/RollLayout.h"
#include "picture/RollScene.h"
#include "picture/TextMeasure.h"
#include "platform/CString.h"
#include "roll/CRollscribeDoc.h"
#include "roll/OutputNames.h"
#include "roll/RollLoader.h"

namespace fs = std::filesystem;
using namespace rollscribe;

namespace {

constexpr std::int64_t kRollSize = 10 * 1024 * 1024;

// The loaded 10 MB roll, made and loaded on first use.
const CRollscribeDoc& LargeRoll() {
    static std::unique_ptr<CRollscribeDoc> doc = [] {
        auto loaded = std::make_unique<CRollscribeDoc>();
        LoadRollFile(*loaded, CString(RollOfSize(kRollSize).string()));
        return loaded;
    }();
    return *doc;
}

// The example roll and its annotation file, copied afresh into the bench folder (the picture is
// written beside the roll). Returns the copy's path.
fs::path ExampleRollCopy() {
    const fs::path dir = BenchFolderPath() / "example";
    fs::create_directories(dir);
    for (const char* name : {"evening_waltz.bar", "evening_waltz.ann"})
        fs::copy_file(fs::path(EXAMPLES_DIR) / name, dir / name,
                      fs::copy_options::overwrite_existing);
    return dir / "evening_waltz.bar";
}

const RollScene& LargeScene() {
    static RollScene scene(LargeRoll());
    return scene;
}

// The large roll's scene with the expression of the red Welte profile shown.
const RollScene& LargeExpressionScene() {
    static const RollScene scene = [] {
        RollScene shown(LargeRoll());
        const RollProfile profile = LoadProfile("welte-red");
        shown.SetExpression(EmulateExpression(LargeRoll(), profile), profile);
        return shown;
    }();
    return scene;
}

void BM_BuildScene(benchmark::State& state) {
    const CRollscribeDoc& doc = LargeRoll();
    for (auto _ : state) {
        RollScene scene(doc);
        benchmark::DoNotOptimize(scene.AllBars().data());
    }
    state.SetItemsProcessed(state.iterations() * doc.m_events.GetSize());
    state.counters["events"] = doc.m_events.GetSize();
}

// A full repaint of a window 1280 pixels wide and tall enough for every lane, in the middle of
// the roll: zoom 0 shows the whole roll, the others are pixels an inch. The second argument
// shows the expression. The desktop program's roll pane repaints so, inside the part the window
// system asks for; on a machine at rest each zoom should take well under a frame (16 ms).
void BM_Repaint(benchmark::State& state) {
    const bool expression = state.range(1) != 0;
    const RollScene& scene = expression ? LargeExpressionScene() : LargeScene();
    RollView view;
    view.width = 1280;
    view.laneHeight = 10;
    view.height = std::ceil(RollLayout::ContentHeight(scene, view.laneHeight));
    const double zoom = static_cast<double>(state.range(0)) / 100;
    view.pixelsPerInch = zoom > 0 ? zoom : RollLayout::FitPixelsPerInch(scene, view.width);
    if (zoom > 0) view.leftTime = scene.EndTime() / 2.0;
    cairo_surface_t* surface = cairo_image_surface_create(
        CAIRO_FORMAT_RGB24, static_cast<int>(view.width), static_cast<int>(view.height));
    // The marker texts' places, which a window keeps from paint to paint at one zoom.
    TextMeasure measure;
    const MarkerTextRows rows(scene, view.pixelsPerInch / 1000, [&](std::string_view text) {
        return measure.Width(text, kMarkerTextFont);
    });
    for (auto _ : state) {
        cairo_t* cr = cairo_create(surface);
        {
            CairoCanvas canvas(cr, view.width, view.height);
            DrawRoll(canvas, scene, view, &rows);
        }
        cairo_destroy(cr);
        cairo_surface_flush(surface);
    }
    cairo_surface_destroy(surface);
    state.counters["px_per_inch"] = view.pixelsPerInch;
    if (const SceneExpression* shown = scene.Expression())
        state.counters["level_points"] =
            static_cast<double>(shown->levels[0].size() + shown->levels[1].size());
}

// The example roll's picture as the converter makes it after converting: the scene, then the
// PNG file. The cold variant starts each time without the font caches, as a fresh process does.
void BM_ExamplePng(benchmark::State& state) {
    const bool cold = state.range(0) != 0;
    CRollscribeDoc doc;
    LoadRollFile(doc, CString(ExampleRollCopy().string()));
    const CString path = OutputPathOf(doc, kPngExtension);
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            ReleaseFontCaches();
            state.ResumeTiming();
        }
        RollScene scene(doc);
        WritePng(scene, path);
    }
}

// The example roll's conversion alone, for comparison.
void BM_ExampleLoad(benchmark::State& state) {
    const CString bar(ExampleRollCopy().string());
    for (auto _ : state) {
        CRollscribeDoc doc;
        LoadRollFile(doc, bar);
    }
}

}  // namespace

BENCHMARK(BM_BuildScene)->Unit(benchmark::kMillisecond)->UseRealTime();
// Zooms in hundredths of a pixel an inch: the whole roll, 0.1, 1, 40, 400 and 4000 pixels an
// inch (the roll pane's whole range).
BENCHMARK(BM_Repaint)
    ->ArgsProduct({{0, 10, 100, 4000, 40000, 400000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ExampleLoad)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExamplePng)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
