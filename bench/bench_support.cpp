// Benchmark support.
#include "bench/bench_support.hpp"

#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>

#include "game/lookup.hpp"
#include "game/tables.hpp"
#include "sim/game/large_world.hpp"

using namespace cloak;

namespace bench {

// ---- Floors and targets -------------------------------------------------------------------------

namespace {

std::map<std::string, double>& Targets() {
    static std::map<std::string, double> targets;
    return targets;
}

std::set<std::string>& WallTimes() {
    static std::set<std::string> names;
    return names;
}

std::map<std::string, double>& TimeLimits() {
    static std::map<std::string, double> limits;
    return limits;
}

std::map<std::string, double>& FrameShares() {
    static std::map<std::string, double> shares;
    return shares;
}

constexpr double kFrameNanoseconds = 1e9 / 240.0;
constexpr int kRepetitions = 3;
constexpr const char* kFastest = "fastest";

}  // namespace

void RegisterWithFloor(const std::string& name, BenchFunction measured, BenchFunction floor,
                       const std::function<void(benchmark::internal::Benchmark*)>& configure) {
    // Other work on a shared machine only ever adds time: the fastest of a few repetitions is
    // the figure that compares.
    const auto common = [&configure](benchmark::internal::Benchmark* b) {
        b->Repetitions(kRepetitions)
            ->ComputeStatistics(kFastest,
                                [](const std::vector<double>& times) {
                                    return *std::min_element(times.begin(), times.end());
                                })
            ->ReportAggregatesOnly(true);
        configure(b);
    };
    common(benchmark::RegisterBenchmark((name + kFloorSuffix).c_str(), std::move(floor)));
    common(benchmark::RegisterBenchmark(name.c_str(), std::move(measured)));
}

void MeasureWallTime(const std::string& runName) {
    WallTimes().insert(runName);
    WallTimes().insert(runName + kFloorSuffix);  // a run without arguments
}

void SetTarget(const std::string& runName, double maxRatio) {
    Targets()[runName] = maxRatio;
}

void SetTimeLimit(const std::string& runName, double maxNanoseconds) {
    TimeLimits()[runName] = maxNanoseconds;
}

void SetFrameShare(const std::string& runName, double maxShare) {
    FrameShares()[runName] = maxShare;
}

// ---- Summary ------------------------------------------------------------------------------------

namespace {

// "Name/arg", without the decorations the library adds (iterations, manual_time, ...).
std::string PlainName(const benchmark::BenchmarkReporter::Run& run) {
    const auto& name = run.run_name;
    return name.args.empty() ? name.function_name : name.function_name + "/" + name.args;
}

std::string FloorName(const std::string& name) {
    const std::size_t slash = name.find('/');
    return slash == std::string::npos ? name + kFloorSuffix
                                      : name.substr(0, slash) + kFloorSuffix + name.substr(slash);
}

std::string Duration(double nanoseconds) {
    if (nanoseconds >= 1e6) return fmt::format("{:.2f} ms", nanoseconds / 1e6);
    if (nanoseconds >= 1e3) return fmt::format("{:.2f} us", nanoseconds / 1e3);
    return fmt::format("{:.0f} ns", nanoseconds);
}

}  // namespace

void SummaryReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred) continue;
        // The fastest repetition stands for the name.
        if (run.run_type != Run::RT_Aggregate || run.aggregate_name != kFastest) continue;
        // Processor time: what other work on the machine adds least to; wall-clock time where
        // the measurement is waiting.
        const std::string name = PlainName(run);
        const double seconds =
            WallTimes().contains(name) ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
        results_.push_back({name, seconds * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit)});
    }
}

void SummaryReporter::Finalize() {
    std::map<std::string, double> byName;
    for (const Result& result : results_) byName[result.name] = result.nanoseconds;

    std::ostream& out = GetOutputStream();
    out << "\nAgainst the floor (processor time, (wall) wall-clock time; fastest repetition):\n";
    out << fmt::format("{:<44} {:>11} {:>11} {:>7}  {}\n", "measurement", "time", "floor", "ratio",
                       "target");
    for (const Result& result : results_) {
        const auto floor = byName.find(FloorName(result.name));
        if (floor == byName.end()) continue;
        const double ratio = result.nanoseconds / floor->second;
        std::string target;
        if (auto found = Targets().find(result.name); found != Targets().end()) {
            target = fmt::format("<= {:.1f}x {}", found->second,
                                 ratio <= found->second ? "holds" : "MISSED");
        }
        if (auto limit = TimeLimits().find(result.name); limit != TimeLimits().end()) {
            target +=
                fmt::format("{}under {} {}", target.empty() ? "" : "; ", Duration(limit->second),
                            result.nanoseconds < limit->second ? "holds" : "MISSED");
        }
        const std::string shown =
            WallTimes().contains(result.name) ? result.name + " (wall)" : result.name;
        out << fmt::format("{:<44} {:>11} {:>11} {:>6.2f}x  {}\n", shown,
                           Duration(result.nanoseconds), Duration(floor->second), ratio, target);
        if (auto share = FrameShares().find(result.name); share != FrameShares().end()) {
            const double plugin = result.nanoseconds - floor->second;
            const double ofFrame = plugin / kFrameNanoseconds;
            out << fmt::format(
                "{:<44} plugin time {} = {:.3f}% of a frame at 240 fps; target < "
                "{:.1f}% {}\n",
                "", Duration(plugin), ofFrame * 100, share->second * 100,
                ofFrame < share->second ? "holds" : "MISSED");
        }
    }
    ConsoleReporter::Finalize();
}

// ---- First calls --------------------------------------------------------------------------------

void TimeFirstCalls(benchmark::State& state, const std::function<void()>& firstCall) {
    for (auto _ : state) {
        state.PauseTiming();
        game::ForgetLookupsForTesting();
        state.ResumeTiming();
        firstCall();
    }
}

// ---- The plugin module -------------------------------------------------------------------------

std::filesystem::path ScratchFolder() {
    return std::filesystem::temp_directory_path() /
           ("cloak-bench-load-" + std::to_string(static_cast<long>(::getpid())));
}

std::filesystem::path ModuleCopy() {
    static const std::filesystem::path copy = [] {
        const std::filesystem::path module(CLOAK_PLUGIN_PATH);
        std::filesystem::create_directories(ScratchFolder());
        std::atexit([] { std::filesystem::remove_all(ScratchFolder()); });
        const std::filesystem::path target = ScratchFolder() / module.filename();
        std::filesystem::copy_file(module, target,
                                   std::filesystem::copy_options::overwrite_existing);
        return target;
    }();
    return copy;
}

// ---- Large worlds -------------------------------------------------------------------------------

namespace {

struct SizedWorld {
    std::size_t objects = 0;
    std::unique_ptr<emu::World> world;
    game::GameObject* notificationManager = nullptr;
};

SizedWorld& CurrentLargeWorld() {
    static SizedWorld current;
    return current;
}

}  // namespace

emu::World& LargeWorld(std::size_t objects) {
    SizedWorld& current = CurrentLargeWorld();
    if (current.world == nullptr || current.objects != objects) {
        current.world.reset();
        current.world = std::make_unique<emu::World>();
        emu::PopulateLargeWorld(*current.world, objects);
        current.notificationManager =
            current.world->Spawn("Class TAGame.GFxData_NotificationManager_TA");
        current.objects = objects;
    }
    // Another world's tables may have been handed over since (the match of the event
    // benchmarks): what was looked up in them means nothing here.
    if (game::ObjectTableAddress != current.world->ObjectTableAddress()) {
        game::ObjectTableAddress = current.world->ObjectTableAddress();
        game::NameTableAddress = current.world->NameTableAddress();
        game::ForgetLookupsForTesting();
    }
    return *current.world;
}

game::GameObject* LastNotificationManager() {
    return CurrentLargeWorld().notificationManager;
}

}  // namespace bench
