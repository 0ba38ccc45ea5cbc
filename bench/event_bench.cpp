// Game events through the stand-in host's hook dispatch, with the plugin module loaded as the
// host loads it. Each event runs against the same dispatch into a callback that makes only the
// host calls its handler cannot do without; the burst of a match start runs against the same
// burst into empty callbacks.
//
// Index
//   Match       - one world, session and loaded plugin for every benchmark here
//   Floors      - the callbacks of the two floor hosts
//   Events      - one hooked game function at a time
//   Match start - the burst of events as a match begins
//   Saves       - a scoreboard update while the settings page saves
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.hpp"
#include "game/event_params.hpp"
#include "game/game_string.hpp"
#include "game/lookup.hpp"
#include "game/script_calls.hpp"
#include "game/tables.hpp"
#include "plugin/cloak_my_identity.hpp"
#include "sim/game/match_session.hpp"
#include "sim/host/host.hpp"

using namespace cloak;

namespace {

using emu::MatchPlayer;
using game::GameObject;

// ---- Match --------------------------------------------------------------------------------------

constexpr std::size_t kPlayers = 8;
constexpr std::size_t kCatalogueSlots = 40;
constexpr std::size_t kLoadoutLength = 20;
constexpr std::size_t kStatistics = 10;

constexpr const char* kReplicatedEvent = "Function TAGame.PRI_TA.ReplicatedEvent";
constexpr const char* kUpdatePriData =
    "Function TAGame.GFxData_PRI_TA.__GFxData_PRI_TA__UpdatePRIData_0x1";
constexpr const char* kLoadoutsSet = "Function TAGame.PRI_TA.OnLoadoutsSetInternal";

// The variables a player record replicates as a match starts, the name among them.
constexpr std::array<const char*, 30> kReplicatedVariables = {
    "PlayerName",
    "Team",
    "ClubID",
    "Score",
    "Ping",
    "bIsSpectator",
    "bBot",
    "PlayerID",
    "UniqueId",
    "Title",
    "MatchScore",
    "MatchGoals",
    "MatchAssists",
    "MatchSaves",
    "MatchShots",
    "MatchDemolishes",
    "CarBody",
    "CameraSettings",
    "PawnType",
    "bReady",
    "bMatchMVP",
    "PartyLeader",
    "SpectatorShortcut",
    "SteeringSensitivity",
    "BoostAmount",
    "ReplicatedWorstNetQualityBeyondLatency",
    "PersistentCamera",
    "RepStatTitles",
    "bIsInSplitScreen",
    "ClientLoadoutsOnline"};

constexpr std::array<const char*, kStatistics> kStatisticNames = {
    "MatchScore",   "MatchGoals",    "MatchDemolishes", "MatchSaves",     "MatchShots",
    "MatchAssists", "MatchBallHits", "MatchSaves2",     "MatchEpicSaves", "MatchAerialGoals"};

std::vector<emu::CatalogueSlot> LargeCatalogue() {
    std::vector<emu::CatalogueSlot> slots;
    for (std::size_t position = 0; position < kCatalogueSlots; ++position) {
        const auto index = static_cast<std::int32_t>(position);
        slots.push_back({true, index, u"Slot", 1000 + index});
    }
    return slots;
}

std::array<std::vector<std::int32_t>, 2> Loadouts(std::int32_t first) {
    std::vector<std::int32_t> ids;
    for (std::size_t i = 0; i < kLoadoutLength; ++i) ids.push_back(first + static_cast<int>(i));
    return {ids, ids};
}

std::filesystem::path DataFolder() {
    return std::filesystem::temp_directory_path() /
           ("cloak-bench-" + std::to_string(static_cast<long>(::getpid())));
}

struct ReadyBlocks {
    std::vector<game::ReplicatedEventParams> variables;  // one per replicated variable
    std::vector<game::UpdatePriDataParams> statistics;   // one per statistic
};

// The game, a match of eight players (the local one first) and the plugin, loaded through the
// stand-in host. Two further hosts hold the floors' callbacks on the same functions; whichever
// host's dispatch is attached last is the one the game's ProcessEvent runs.
class Match {
public:
    Match()
        : session_(world_, u"Streamer", LargeCatalogue()),
          plugin_(DataFolder()),
          floor_(DataFolder()),
          empty_(DataFolder()) {
        for (std::size_t i = 0; i < kPlayers; ++i) {
            const std::u16string name =
                u"Opponent" + std::u16string(1, static_cast<char16_t>(u'A' + i));
            players_.push_back(
                &session_.Join(i == 0, name, static_cast<std::int32_t>(i % 2), 1000 + i));
            session_.SetLoadouts(*players_.back(), Loadouts(100), Loadouts(7));
        }
        for (const char* variable : kReplicatedVariables) {
            blocks_.variables.push_back({{world_.Name(std::string_view(variable)), 0}});
        }
        for (const char* statistic : kStatisticNames) {
            blocks_.statistics.push_back({{world_.Name(std::string_view(statistic)), 0}, 0, 3});
        }
        replicatedEvent_ = world_.Get(kReplicatedEvent);
        updatePriData_ = world_.Get(kUpdatePriData);
        loadoutsSet_ = world_.Get(kLoadoutsSet);

        plugin_.Load(CLOAK_PLUGIN_PATH);
        // The settings are loaded; the folder is of no further use.
        std::filesystem::remove_all(DataFolder());
        RegisterFloors();
        // The floors make their game strings with this program's own copy of the game access.
        game::ObjectTableAddress = world_.ObjectTableAddress();
        game::NameTableAddress = world_.NameTableAddress();
        game::ForgetLookupsForTesting();
    }

    static Match& Get() {
        // Never destroyed: the plugin module keeps pointers into this world until the end.
        static Match* match = new Match;
        return *match;
    }

    void UsePlugin() { plugin_.State().dispatch.AttachToCurrentWorld(); }
    void UseFloor() { floor_.State().dispatch.AttachToCurrentWorld(); }
    void UseEmptyCallbacks() { empty_.State().dispatch.AttachToCurrentWorld(); }

    // The game runs a hooked function the way it runs any: through ProcessEvent.
    void Run(GameObject* object, GameObject* function, void* params) {
        world_.ProcessEventSlot()(object, function, params);
    }

    CloakMyIdentity& Plugin() { return *static_cast<CloakMyIdentity*>(plugin_.Plugin()); }
    MatchPlayer& Opponent() { return *players_[1]; }
    const std::vector<MatchPlayer*>& Players() const { return players_; }
    ReadyBlocks& Blocks() { return blocks_; }
    GameObject* ReplicatedEvent() const { return replicatedEvent_; }
    GameObject* UpdatePriData() const { return updatePriData_; }
    GameObject* LoadoutsSet() const { return loadoutsSet_; }

private:
    void RegisterFloors();

    emu::World world_;
    emu::Session session_;
    sim::host::Host plugin_;
    sim::host::Host floor_;
    sim::host::Host empty_;
    std::vector<MatchPlayer*> players_;
    ReadyBlocks blocks_;
    GameObject* replicatedEvent_ = nullptr;
    GameObject* updatePriData_ = nullptr;
    GameObject* loadoutsSet_ = nullptr;
};

// ---- Floors -------------------------------------------------------------------------------------

using ActorCallback = std::function<void(ActorWrapper, void*, std::string)>;
using PriCallback = std::function<void(PriWrapper, void*, std::string)>;

void Match::RegisterFloors() {
    GameWrapper& host = *floor_.Game();
    // A replicated variable: free play or not, the variable's name and the club id. For a name,
    // also the local player's record and the new name as a game string (the game allocates it).
    host.HookEventWithCaller<ActorWrapper>(
        kReplicatedEvent, ActorCallback([&host](ActorWrapper caller, void* params, std::string) {
            if (host.IsInFreeplay()) return;
            PriWrapper record(caller.memory_address);
            const auto* block = static_cast<const game::ReplicatedEventParams*>(params);
            if (host.GetFNameByIndex(block->variableName.index) == "PlayerName" &&
                host.GetPlayerController().GetPRI().memory_address != record.memory_address) {
                benchmark::DoNotOptimize(game::MakeGameString(u"Player 1"));
            }
            record.SetClubID(0);
        }));
    // A statistic: its name.
    host.HookEventWithCallerPost<ActorWrapper>(
        kUpdatePriData, ActorCallback([&host](ActorWrapper, void* params, std::string) {
            const auto* block = static_cast<const game::UpdatePriDataParams*>(params);
            benchmark::DoNotOptimize(host.GetFNameByIndex(block->statisticName.index));
        }));
    // Loadouts: the catalogue once, each slot's index and default product once.
    host.HookEventWithCallerPost<PriWrapper>(
        kLoadoutsSet, PriCallback([&host](PriWrapper, void*, std::string) {
            ArrayWrapper<ProductSlotWrapper> slots = host.GetItemsWrapper().GetAllProductSlots();
            const int count = slots.Count();
            for (int position = 0; position < count; ++position) {
                ProductSlotWrapper slot = slots.Get(position);
                if (!slot) continue;
                benchmark::DoNotOptimize(slot.GetSlotIndex());
                ProductWrapper product = slot.GetDefaultProduct();
                if (product) benchmark::DoNotOptimize(product.GetID());
            }
        }));

    GameWrapper& none = *empty_.Game();
    none.HookEventWithCaller<ActorWrapper>(kReplicatedEvent,
                                           ActorCallback([](ActorWrapper, void*, std::string) {}));
    none.HookEventWithCallerPost<ActorWrapper>(
        kUpdatePriData, ActorCallback([](ActorWrapper, void*, std::string) {}));
    none.HookEventWithCallerPost<PriWrapper>(kLoadoutsSet,
                                             PriCallback([](PriWrapper, void*, std::string) {}));
}

// ---- Events -------------------------------------------------------------------------------------

// Which host's dispatch the game's ProcessEvent runs.
using Attach = void (Match::*)();

// Registers `play`, run again and again with the dispatch of `measured` attached, against the
// same with the dispatch of `floor` attached.
void RegisterPlay(const std::string& name, void (*play)(Match&), Attach measured, Attach floor,
                  benchmark::TimeUnit unit) {
    const auto withDispatch = [play](Attach attach) {
        return [play, attach](benchmark::State& state) {
            Match& match = Match::Get();
            (match.*attach)();
            for (auto _ : state) play(match);
        };
    };
    bench::RegisterWithFloor(name, withDispatch(measured), withDispatch(floor),
                             [unit](benchmark::internal::Benchmark* b) { b->Unit(unit); });
}

// One event, again and again on one player, against the floor host's callbacks.
void RegisterEvent(const std::string& name, void (*event)(Match&)) {
    RegisterPlay(name, event, &Match::UsePlugin, &Match::UseFloor, benchmark::kNanosecond);
    bench::SetTarget(name, 2.0);
}

void ReplicateVariable(Match& match, std::size_t variable) {
    match.Run(match.Opponent().pri, match.ReplicatedEvent(), &match.Blocks().variables[variable]);
}

void ScoreStat(Match& match) {
    game::UpdatePriDataParams& block = match.Blocks().statistics[1];
    block.value = 3;
    match.Run(match.Opponent().scoreboard, match.UpdatePriData(), &block);
}

void RegisterEvents() {
    RegisterEvent("ReplicatedVariable", [](Match& match) { ReplicateVariable(match, 2); });
    RegisterEvent("ReplicatedPlayerName", [](Match& match) { ReplicateVariable(match, 0); });
    RegisterEvent("ScoreStat", ScoreStat);
    RegisterEvent("DefaultLoadouts", [](Match& match) {
        game::NoParams block{0};
        match.Run(match.Opponent().pri, match.LoadoutsSet(), &block);
    });
}

// ---- Match start --------------------------------------------------------------------------------

// Every player's record replicates its variables, its scoreboard row reports its statistics and
// its loadouts are set.
void MatchStart(Match& match) {
    for (MatchPlayer* player : match.Players()) {
        for (game::ReplicatedEventParams& block : match.Blocks().variables) {
            match.Run(player->pri, match.ReplicatedEvent(), &block);
        }
        for (game::UpdatePriDataParams& block : match.Blocks().statistics) {
            block.value = 3;
            match.Run(player->scoreboard, match.UpdatePriData(), &block);
        }
        game::NoParams block{0};
        match.Run(player->pri, match.LoadoutsSet(), &block);
    }
}

void RegisterMatchStart() {
    RegisterPlay("MatchStartBurst", MatchStart, &Match::UsePlugin, &Match::UseEmptyCallbacks,
                 benchmark::kMicrosecond);
    bench::SetFrameShare("MatchStartBurst", 0.01);
    // The part of it that goes to the host calls the handlers must make.
    RegisterPlay("MatchStartBurstHostCalls", MatchStart, &Match::UseFloor,
                 &Match::UseEmptyCallbacks, benchmark::kMicrosecond);
    bench::SetFrameShare("MatchStartBurstHostCalls", 0.01);
}

// ---- Saves --------------------------------------------------------------------------------------

// The scoreboard handler takes the statistics lock on the game thread. Here the settings page's
// thread saves again and again to a disk that takes a millisecond more per save (as a virus
// scanner makes it) while the game reports statistics; the floor is the same update with nothing
// saving. Wall-clock time: an update that waits for a save costs no processor time. The counter
// "held_up" counts the updates that took longer than 0.4 ms.
void RegisterScoreStatDuringSaves() {
    const auto updates = [](bool saving) {
        return [saving](benchmark::State& state) {
            Match& match = Match::Get();
            match.UsePlugin();
            CloakMyIdentity& plugin = match.Plugin();
            plugin.SettingsFolder = DataFolder() / "CloakMyIdentity";
            std::atomic<bool> stop{false};
            std::thread page;
            if (saving) {
                beforeSettingsReplaceForTesting = [] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                };
                page = std::thread([&] {
                    while (!stop.load()) plugin.SaveSettings();
                });
            }
            // Updates held up for longer than a frame's tenth, counted apart: the mean hides them.
            constexpr auto kHeldUp = std::chrono::microseconds(400);
            std::int64_t heldUp = 0;
            for (auto _ : state) {
                const auto start = std::chrono::steady_clock::now();
                ScoreStat(match);
                if (std::chrono::steady_clock::now() - start > kHeldUp) ++heldUp;
            }
            state.counters["held_up"] = benchmark::Counter(static_cast<double>(heldUp));
            stop.store(true);
            if (page.joinable()) page.join();
            beforeSettingsReplaceForTesting = nullptr;
            std::filesystem::remove_all(DataFolder());
        };
    };
    bench::RegisterWithFloor(
        "ScoreStatDuringSaves", updates(true), updates(false),
        [](benchmark::internal::Benchmark* b) { b->Unit(benchmark::kNanosecond)->UseRealTime(); });
    bench::MeasureWallTime("ScoreStatDuringSaves");
    bench::SetTarget("ScoreStatDuringSaves", 2.0);
}

const bool registered =
    (RegisterEvents(), RegisterMatchStart(), RegisterScoreStatDuringSaves(), true);

}  // namespace
