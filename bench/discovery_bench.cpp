// Finding the game's tables when the host hands none over: the scan of every loaded image's
// writable data (here with 64 MiB of this program's own, filled with plausible noise, beside the
// emulator's large world), against one pass over the same bytes that checks nothing; and the
// whole load with the host as its makers publish it, against the load through a host that hands
// the tables over.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.hpp"
#include "game/memory.hpp"
#include "game/process_memory.hpp"
#include "game/table_discovery.hpp"
#include "sim/game/large_world.hpp"
#include "sim/game/match_session.hpp"
#include "sim/host/host.hpp"

using namespace cloak;

namespace {

constexpr std::size_t kObjects = 500'000;
constexpr std::size_t kNoiseWords = (std::size_t{64} << 20) / sizeof(std::uint64_t);
// Longer than the game's table: such an array in the noise is checked element by element.
constexpr std::size_t kStrayLength = std::size_t{1} << 20;

// Static data of this program's image, as a game's own is: counters, flags, floats, pointers and
// counted arrays that are no table of the game's.
std::uint64_t noise[kNoiseWords];

// A game with its local player among 500,000 objects, made once.
struct LargeGame {
    LargeGame() {
        emu::PopulateLargeWorld(world, kObjects);
        FillNoise();
    }

    void FillNoise() {
        std::vector<emu::GameObject*>& stray = strayElements;
        stray.assign(kStrayLength, world.ObjectTable().data[1]);
        std::uint64_t state = 0x9E3779B97F4A7C15u;
        for (std::size_t i = 0; i < kNoiseWords; ++i) {
            state = state * 6364136223846793005u + 1442695040888963407u;
            const std::uint64_t random = state >> 11;
            switch (random % 8) {
                case 0:
                case 1:
                    noise[i] = 0;
                    break;
                case 2:
                    noise[i] = random % 1000;  // a counter
                    break;
                case 3:
                    noise[i] = 0x3F8000003F800000u;  // two floats of 1.0
                    break;
                case 4:  // a pointer into the game's memory
                    noise[i] = game::AddressOf(world.ObjectTable().data[random % kObjects]);
                    break;
                case 5:  // a small counted array
                    noise[i] = game::AddressOf(stray.data());
                    if (i + 1 < kNoiseWords) noise[++i] = (std::uint64_t{64} << 32) | (random % 64);
                    break;
                default:
                    noise[i] = random;
                    break;
            }
            // Now and then a counted array as long as the game's table, holding other objects:
            // it is checked in full.
            if (i % 65536 == 0 && i + 1 < kNoiseWords) {
                noise[i] = game::AddressOf(stray.data());
                noise[++i] = (std::uint64_t{kStrayLength} << 32) | kStrayLength;
            }
        }
        // Nothing in this program reads the noise: only the scan does.
        benchmark::DoNotOptimize(noise);
    }

    emu::World world;
    emu::Session session{world, u"NightOwl"};
    std::vector<emu::GameObject*> strayElements;
};

LargeGame& Game() {
    static LargeGame* game = new LargeGame;  // never destroyed: the plugin module keeps pointers
    return *game;
}

// ---- The scan -----------------------------------------------------------------------------------

game::FoundTables Discover() {
    emu::World& world = Game().world;
    const std::array<const game::GameObject*, 1> known{Game().session.LocalController()};
    return game::DiscoverTables(
        known, [&world](std::int32_t index) { return world.NameText(index); },
        game::SnapshotProcessMemory());
}

// Reads every word the scan reads, in place, and checks nothing.
std::uint64_t ReadImageData() {
    const game::ProcessMemory memory = game::SnapshotProcessMemory();
    const game::MemoryMap map(memory.readable);
    std::uint64_t sum = 0;
    for (const game::AddressRange& image : memory.imageData) {
        for (const game::AddressRange& part : map.ReadablePartsOf(image)) {
            for (std::uint64_t address = (part.begin + 7) & ~std::uint64_t{7};
                 address + 8 <= part.end; address += 8) {
                sum += *game::PointerAt<const std::uint64_t>(address);
            }
        }
    }
    return sum;
}

// ---- The load -----------------------------------------------------------------------------------

void LoadWith(sim::host::HostSdk sdk) {
    const emu::World& world = Game().world;
    sim::host::Host host(bench::ScratchFolder() / "data", sdk);
    // A public host ignores the tables.
    host.Load(bench::ModuleCopy(), {world.ObjectTableAddress(), world.NameTableAddress()});
    if (!host.ConsoleLines().empty())
        std::abort();  // it would measure a load that conceals nothing
    host.Unload();
}

const bool registered = [] {
    const auto configure = [](benchmark::internal::Benchmark* b) {
        b->Arg(kObjects)->Unit(benchmark::kMillisecond);
    };
    bench::RegisterWithFloor(
        "TableDiscovery",
        [](benchmark::State& state) {
            Game();
            for (auto _ : state) {
                const game::FoundTables found = Discover();
                if (found.result != game::DiscoveryResult::Found) state.SkipWithError("not found");
            }
        },
        [](benchmark::State& state) {
            Game();
            for (auto _ : state) benchmark::DoNotOptimize(ReadImageData());
        },
        configure);
    // Every byte goes through a copy by the system, which no plain pass pays: the target is a
    // time, and the ratio to the pass is shown.
    bench::SetTimeLimit("TableDiscovery/500000", 25e6);

    bench::RegisterWithFloor(
        "LoadFindingTheTables",
        [](benchmark::State& state) {
            for (auto _ : state) LoadWith(sim::host::HostSdk::Public);
        },
        [](benchmark::State& state) {
            for (auto _ : state) LoadWith(sim::host::HostSdk::Hybrid);
        },
        configure);
    bench::SetTimeLimit("LoadFindingTheTables/500000", 100e6);
    return true;
}();

}  // namespace
