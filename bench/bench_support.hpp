// Benchmark support: measurements paired with floors, first calls timed in child processes, and
// the large emulated worlds the lookups run over.
//
// Index
//   Floors and targets - RegisterWithFloor, SetTarget, SetFrameShare
//   Summary            - the reporter that prints every measurement against its floor
//   Child processes    - SecondsInChild: a first call timed in a fresh copy of the process
//   Large worlds       - LargeWorld: one emulated world of a given size at a time
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
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

// One run whose time above its floor is the plugin's share of a frame: the summary reports that
// difference as a share of one frame at 240 frames a second, against a target share.
void SetFrameShare(const std::string& runName, double maxShare);

// ---- Summary ------------------------------------------------------------------------------------

// The console output as usual; after it, one line per measurement with a floor: both processor
// times (the fastest of the repetitions each), the ratio, and the target with whether it holds.
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

// ---- Child processes ----------------------------------------------------------------------------

// Runs `work` in a forked copy of this process and returns the processor seconds it took there
// (user and system time of the thread, so other load on the machine does not count). The copy
// starts with every process-wide index and cache as it is here, and its changes die with it, so
// a first call - one that builds an index - can be timed again and again. Negative when the
// copy could not be made or did not report.
double SecondsInChild(const std::function<void()>& work);

// The loop of a benchmark whose every iteration is `work` timed in a child (UseManualTime).
void TimeInChildren(benchmark::State& state, const std::function<void()>& work);

// ---- Large worlds -------------------------------------------------------------------------------

// An emulated world of the game with about `objects` further objects shaped like the game's
// (packages, classes with fields and functions, instances with outer chains) and, after them, a
// notification manager. It is current and its tables are handed to the plugin's game access.
// One exists at a time: asking for another size replaces it.
sim::game::World& LargeWorld(std::size_t objects);

// The notification manager LargeWorld placed after everything else.
game::GameObject* LastNotificationManager();

}  // namespace bench
