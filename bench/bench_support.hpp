// Benchmark support: measurements paired with floors, first calls timed again and again, and the
// large emulated worlds the lookups run over.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "sim/game/world.hpp"

namespace bench {

// ---- Floors and targets -------------------------------------------------------------------------

using BenchFunction = std::function<void(benchmark::State&)>;

// A floor runs under the name of its measurement with this suffix before the arguments.
inline constexpr const char* kFloorSuffix = ".floor";

// Registers `measured` as `name` and `floor` as `name` + kFloorSuffix, both configured alike
// (arguments, units, iterations) by `configure`. The floor runs first.
void RegisterWithFloor(const std::string& name, BenchFunction measured, BenchFunction floor,
                       const std::function<void(benchmark::internal::Benchmark*)>& configure);

// The largest ratio to its floor that one run may take ("FullNameIndexBuild/500000").
void SetTarget(const std::string& runName, double maxRatio);

// The longest one run may take, in nanoseconds ("TableDiscovery/500000": 50 ms), whatever its
// floor.
void SetTimeLimit(const std::string& runName, double maxNanoseconds);

// One run whose time above its floor is the plugin's share of a frame: the summary reports that
// difference as a share of one frame at 240 frames a second, against a target share.
void SetFrameShare(const std::string& runName, double maxShare);

// A run (without arguments) whose time is mostly waiting, for a lock another thread holds, is
// reported in wall-clock time, and so is its floor: waiting costs no processor time.
void MeasureWallTime(const std::string& runName);

// ---- Summary ------------------------------------------------------------------------------------

// The console output as usual; after it, one line per measurement with a floor: both processor
// times (wall-clock times where so marked; the fastest of the repetitions each), the ratio, and
// the target with whether it holds.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

private:
    struct Result {
        std::string name;
        double nanoseconds;
    };
    std::vector<Result> results_;
};

// ---- First calls --------------------------------------------------------------------------------

// The loop of a benchmark whose every iteration times `firstCall` as the first lookup of the
// process: the lookups' indices and caches are forgotten before it, outside the timing.
void TimeFirstCalls(benchmark::State& state, const std::function<void()>& firstCall);

// ---- The plugin module -------------------------------------------------------------------------

// A copy of the plugin module of this program's own, in a folder removed at exit: a host that
// loads it maps it afresh, with no tables kept from before, whatever other benchmarks keep
// loaded; it goes again when that host unloads it.
std::filesystem::path ModuleCopy();
// The folder it lies in; a host's data folder may go there too.
std::filesystem::path ScratchFolder();

// ---- Large worlds -------------------------------------------------------------------------------

// An emulated world of the game with about `objects` further objects shaped like the game's
// (packages, classes with fields and functions, instances with outer chains) and, after them, a
// notification manager. Its tables are handed to this program's game access (forgetting what was
// looked up in others). One exists at a time: asking for another size replaces it.
emu::World& LargeWorld(std::size_t objects);

// The notification manager LargeWorld placed after everything else.
cloak::game::GameObject* LastNotificationManager();

}  // namespace bench
