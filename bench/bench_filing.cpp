// SPDX-License-Identifier: MIT
// Next-name search and filing, measured side by side with their anchors in one run.
//   Search: the plain probe (one lookup per candidate) against ours, with every metadata call
//   delayed by 1 ms, as on a network share; "calls" counts metadata calls per search.
//   Filing: copying (delete off) against read/write + fsync, and moving (delete on, same file
//   system) against rename.
#include "NextName.h"
#include "Platform.h"
#include "SlowShare.h"
#include "Transfer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

using namespace tallyport;
namespace fs = std::filesystem;

namespace {

std::optional<std::string> plainProbe(Platform& platform, const NameRule& rule) {
    for (int number = 0; number < kCandidateCount; ++number)
        if (!platform.fileExists(pathInFolder(rule.outputPath, candidateName(rule, number))))
            return candidateName(rule, number);
    return std::nullopt;
}

void touch(const fs::path& path) {
    std::ofstream(path).put('x');
}

// A folder per scenario, made once for the whole run.
const fs::path& scenarioFolder(int scenario) {
    static std::map<int, fs::path> folders;
    auto found = folders.find(scenario);
    if (found != folders.end())
        return found->second;
    fs::path folder =
        fs::temp_directory_path() / ("tallyport-bench-search-" + std::to_string(scenario));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const NameRule rule{folder.string() + "/", "scimg_", 3};
    const int taken = scenario == 0 ? 0 : scenario == 1 ? 999 : 10;
    for (int i = 0; i < taken; ++i)
        touch(folder / candidateName(rule, i));
    if (scenario == 2)
        for (int i = 0; i < 100000; ++i)
            touch(folder / ("IMG_" + std::to_string(i) + ".png"));
    return folders.emplace(scenario, folder).first->second;
}

const char* scenarioName(int scenario) {
    return scenario == 0 ? "empty" : scenario == 1 ? "999_taken" : "10_taken_100k_unrelated";
}

template <bool Plain> void BM_Search(benchmark::State& state) {
    const int scenario = static_cast<int>(state.range(0));
    const NameRule rule{scenarioFolder(scenario).string() + "/", "scimg_", 3};
    SlowShare share(std::chrono::microseconds(state.range(1)));
    for (auto _ : state) {
        auto name = Plain ? plainProbe(share, rule) : findNextFileName(share, rule);
        benchmark::DoNotOptimize(name);
    }
    state.counters["calls"] =
        benchmark::Counter(static_cast<double>(share.calls), benchmark::Counter::kAvgIterations);
    state.SetLabel(scenarioName(scenario));
}

void searchArguments(benchmark::internal::Benchmark* bench) {
    for (int scenario : {0, 1, 2})
        bench->Args({scenario, 1000});
    bench->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_Search<true>)->Name("search/plain_probe")->Apply(searchArguments)->Iterations(3);
BENCHMARK(BM_Search<false>)->Name("search/tallyport")->Apply(searchArguments)->Iterations(20);

// Filing: a source of state.range(0) MiB in a scratch folder on the output's file system.
struct FilingScratch {
    fs::path root = fs::temp_directory_path() / "tallyport-bench-filing";
    fs::path source = root / "source.bin";
    fs::path out = root / "out";

    explicit FilingScratch(long mebibytes) {
        fs::remove_all(root);
        fs::create_directories(out);
        std::ofstream file(source, std::ios::binary);
        std::string block(1 << 20, '\0');
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>(i * 7);
        for (long i = 0; i < mebibytes; ++i)
            file.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    ~FilingScratch() { fs::remove_all(root); }
    void emptyOutput() {
        fs::remove_all(out);
        fs::create_directories(out);
    }
};

void BM_FileCopy(benchmark::State& state) {
    FilingScratch scratch(state.range(0));
    for (auto _ : state) {
        FilingRequest request{
            scratch.source.string(), {scratch.out.string() + "/", "scimg_", 3}, "", false};
        auto result = fileSource(Platform::current(), request);
        benchmark::DoNotOptimize(result);
        state.PauseTiming();
        scratch.emptyOutput();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) << 20);
}

// The anchor: what cp does without a kernel copy, plus flushing the copy to disk.
void BM_ReadWriteCopyAndSync(benchmark::State& state) {
    FilingScratch scratch(state.range(0));
    std::vector<char> buffer(1 << 17);
    for (auto _ : state) {
        const int in = ::open(scratch.source.c_str(), O_RDONLY);
        const int out =
            ::open((scratch.out / "copy.bin").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ssize_t got;
        while ((got = ::read(in, buffer.data(), buffer.size())) > 0)
            benchmark::DoNotOptimize(::write(out, buffer.data(), static_cast<size_t>(got)));
        ::fsync(out);
        ::close(out);
        ::close(in);
        state.PauseTiming();
        scratch.emptyOutput();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) << 20);
}

void BM_FileMove(benchmark::State& state) {
    FilingScratch scratch(state.range(0));
    for (auto _ : state) {
        FilingRequest request{
            scratch.source.string(), {scratch.out.string() + "/", "scimg_", 3}, "", true};
        auto result = fileSource(Platform::current(), request);
        benchmark::DoNotOptimize(result);
        state.PauseTiming();
        fs::rename(scratch.out / "scimg_000.jpg", scratch.source);
        state.ResumeTiming();
    }
}

// The anchor: what mv does on one file system.
void BM_Rename(benchmark::State& state) {
    FilingScratch scratch(state.range(0));
    for (auto _ : state) {
        fs::rename(scratch.source, scratch.out / "moved.bin");
        state.PauseTiming();
        fs::rename(scratch.out / "moved.bin", scratch.source);
        state.ResumeTiming();
    }
}

BENCHMARK(BM_FileCopy)
    ->Name("filing/copy_delete_off")
    ->Arg(256)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(BM_ReadWriteCopyAndSync)
    ->Name("filing/anchor_read_write_fsync")
    ->Arg(256)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(BM_FileMove)
    ->Name("filing/move_delete_on")
    ->Arg(256)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Iterations(50);
BENCHMARK(BM_Rename)
    ->Name("filing/anchor_rename")
    ->Arg(256)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Iterations(50);

} // namespace

BENCHMARK_MAIN();
