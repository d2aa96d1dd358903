// SPDX-License-Identifier: MIT
// Keystroke to preview: the fixed part is typed in the real window while the output folder holds
// scimg_000..998; each metadata call costs 1 ms, as on a network share. "calls" counts the
// metadata calls one keystroke costs; nothing else (no settings file access) is on that path.
#include "SlowShare.h"
#include "Unit1.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using namespace tallyport;

namespace {

void BM_KeystrokeToPreview(benchmark::State& state) {
    const fs::path folder = fs::temp_directory_path() / "tallyport-bench-keystroke";
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (int i = 0; i < 999; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "scimg_%03d.jpg", i);
        std::ofstream(folder / name).put('x');
    }
    SlowShare install(std::chrono::milliseconds(1), (folder / "tallyport").string());
    Platform::Override override_(install);
    TForm1 form({});
    auto* fixedPart = form.findChild<QLineEdit*>("Edit2");
    auto* preview = form.findChild<QLabel*>("Label4");
    long measuredCalls = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fixedPart->setText("scimg");
        const long before = install.calls;
        state.ResumeTiming();
        fixedPart->setText("scimg_"); // the keystroke that lands on 999 taken names
        state.PauseTiming();
        measuredCalls += install.calls - before;
        state.ResumeTiming();
    }
    if (preview->text() != QStringLiteral("名前:scimg_999.jpg"))
        state.SkipWithError("wrong preview");
    state.counters["calls"] =
        benchmark::Counter(static_cast<double>(measuredCalls), benchmark::Counter::kAvgIterations);
    fs::remove_all(folder);
}

BENCHMARK(BM_KeystrokeToPreview)
    ->Name("keystroke/999_taken")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(50);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
