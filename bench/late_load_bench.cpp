// A load that came before the game has its local player tries again on a timer, for as long as
// the game takes to get one. One such try, through the host as its makers publish it (which would
// make a try that got further scan the game's memory), against the host running a timer that does
// nothing: the try must cost next to nothing, well under a millisecond.
#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>

#include "bench/bench_support.hpp"
#include "sim/game/match_session.hpp"
#include "sim/game/world.hpp"
#include "sim/host/host.hpp"

namespace {

// Longer than the longest wait between two tries: each tick runs exactly one.
constexpr std::chrono::seconds kTickAfter{5};
constexpr float kTimerSeconds = 4.0F;

const bool registered = [] {
    bench::RegisterWithFloor(
        "LoadTryWithoutAController",
        [](benchmark::State& state) {
            emu::World world;
            const emu::Session loading(world, u"NightOwl", emu::BuiltInCatalogue(),
                                       emu::GameStart::Loading);
            sim::host::Host host(bench::ScratchFolder() / "data", sim::host::HostSdk::Public);
            host.Load(bench::ModuleCopy());
            for (auto _ : state) host.Tick(kTickAfter);
            if (host.State().work.Pending() != 1 ||
                host.State().hooks.Count("Function TAGame.GameEvent_Soccar_TA.Destroyed") != 0) {
                state.SkipWithError("the load did not wait for the game");
            }
            host.Unload();
        },
        [](benchmark::State& state) {
            sim::host::Host host(bench::ScratchFolder() / "data");
            std::function<void(GameWrapper*)> rearm = [&rearm](GameWrapper* game) {
                game->SetTimeout(rearm, kTimerSeconds);
            };
            host.Game()->SetTimeout(rearm, kTimerSeconds);
            for (auto _ : state) host.Tick(kTickAfter);
        },
        [](benchmark::internal::Benchmark* b) { b->Unit(benchmark::kMicrosecond); });
    bench::SetTimeLimit("LoadTryWithoutAController", 1e6);
    return true;
}();

}  // namespace
