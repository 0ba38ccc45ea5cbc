// The hook table as the host receives it: every row's game function, timing, caller type and
// handler, written out here as the game and the handlers fix them; and callables that outlive the
// plugin object.
#include "plugin/hook_table.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <new>
#include <string>
#include <vector>

#include "game/name_registry.hpp"
#include "plugin/process_state.hpp"
#include "sim/game/world.hpp"
#include "sim/host/host_state.hpp"

using namespace cloak;

namespace {

using Phase = sim::host::HookCallback::Phase;
enum class CallerType { Actor, Pri, None };

struct ExpectedRow {
    const char* function;
    Phase phase;
    CallerType caller;
    hooks::RowHandler handler;
};

const std::array<ExpectedRow, 13> kExpectedRows{{
    {"Function TAGame.GFxData_LocalPlayer_TA.CanShowRankInfoForPlaylistByID", Phase::Post,
     CallerType::Actor, &CloakMyIdentity::ConcealMenuRank},
    {"Function TAGame.GFxData_SeasonReward_TA.UpdateData", Phase::Post, CallerType::Actor,
     &CloakMyIdentity::ConcealSeasonRank},
    {"Function TAGame.GFxData_TeamInfo_TA.HandleNameChanged", Phase::Post, CallerType::Actor,
     &CloakMyIdentity::ConcealTeamName},
    {"Function TAGame.GFxData_Vote_TA.SetVoteActor", Phase::Pre, CallerType::Actor,
     &CloakMyIdentity::ConcealForfeitVote},
    {"Function TAGame.GFxData_PRI_TA.HandleTitleChanged", Phase::Post, CallerType::Actor,
     &CloakMyIdentity::ConcealTitle},
    {"Function TAGame.PRI_TA.ReplicatedEvent", Phase::Pre, CallerType::Actor,
     &CloakMyIdentity::ConcealReplicatedPlayer},
    {"Function ProjectX.RPCQueue_X.CreateBatchSingleRPC", Phase::Post, CallerType::Actor,
     &CloakMyIdentity::ConcealLocalName},
    {"Function TAGame.RecentPlayers_TA.OnRecentsChanged", Phase::Post, CallerType::Actor,
     &CloakMyIdentity::OnRecentsChanged},
    {"Function TAGame.GFxData_Friends_TA.DownloadRecentPlayers", Phase::Post, CallerType::Actor,
     &CloakMyIdentity::OnDownloadRecentPlayers},
    {"Function TAGame.GFxData_PRI_TA.__GFxData_PRI_TA__UpdatePRIData_0x1", Phase::Post,
     CallerType::Actor, &CloakMyIdentity::ConcealScoreStat},
    {"Function TAGame.PRI_TA.OnLoadoutsSetInternal", Phase::Post, CallerType::Pri,
     &CloakMyIdentity::ApplyDefaultLoadouts},
    {"Function TAGame.GFxData_NotificationManager_TA.HandleNotificationAdded", Phase::Pre,
     CallerType::Actor, &CloakMyIdentity::OnNotificationAdded},
    {"Function TAGame.GameEvent_Soccar_TA.Destroyed", Phase::Plain, CallerType::None,
     &CloakMyIdentity::ResetPlayerNumbers},
}};

// How many function, class and struct names the name registry holds when each row's hook call
// reaches the host, row by row: a row's names are entered before its hook.
struct RegistrySizes {
    std::size_t functions;
    std::size_t classes;
    std::size_t structs;
    bool operator==(const RegistrySizes&) const = default;
};
const std::array<RegistrySizes, 13> kRegisteredBeforeEachHook{{{1, 0, 0},
                                                               {2, 0, 0},
                                                               {3, 0, 0},
                                                               {4, 0, 0},
                                                               {5, 0, 0},
                                                               {6, 0, 0},
                                                               {6, 0, 0},
                                                               {7, 1, 0},
                                                               {8, 2, 0},
                                                               {9, 2, 0},
                                                               {10, 2, 2},
                                                               {11, 4, 2},
                                                               {11, 4, 2}}};

CallerType CallerOf(const sim::host::HookCallback& callback) {
    if (callback.withActor) return CallerType::Actor;
    if (callback.withPri) return CallerType::Pri;
    return CallerType::None;
}

class HookTableTest : public ::testing::Test {
protected:
    HookTableTest() { ForgetProcessStateForTesting(); }

    emu::World world;
    sim::host::HostState host;
    GameWrapper game{&host};
};

TEST_F(HookTableTest, EveryRowHooksItsFunctionAtItsTimeWithItsHandler) {
    std::vector<RegistrySizes> registeredBefore;
    host.onHookCall = [&](const std::string&) {
        registeredBefore.push_back({game::NameRegistry::FunctionNames.size(),
                                    game::NameRegistry::ClassNames.size(),
                                    game::NameRegistry::StructSizes.size()});
    };
    CloakMyIdentity plugin;
    hooks::RegisterHookTable(plugin, game);
    ASSERT_EQ(registeredBefore.size(), kExpectedRows.size());
    for (std::size_t i = 0; i < kExpectedRows.size(); ++i) {
        const ExpectedRow& expected = kExpectedRows[i];
        const hooks::HookRow& row = hooks::HookTable[i];
        SCOPED_TRACE(expected.function);
        EXPECT_EQ(row.function, expected.function);
        EXPECT_TRUE(row.operation.handler == expected.handler) << "row " << i + 1;

        const sim::host::HookList* registered = host.hooks.Find(expected.function);
        ASSERT_NE(registered, nullptr);
        ASSERT_EQ(registered->callbacks.size(), 1u);
        EXPECT_EQ(registered->callbacks[0].phase, expected.phase);
        EXPECT_EQ(CallerOf(registered->callbacks[0]), expected.caller);
        EXPECT_TRUE(registeredBefore[i] == kRegisteredBeforeEachHook[i]) << "row " << i + 1;
    }
}

// The plugin object lives in storage of the test's own, so that what a late callable does to it
// can be seen: nothing.
TEST_F(HookTableTest, CallablesRunAfterThePluginIsGoneTouchNothing) {
    alignas(CloakMyIdentity) std::array<std::byte, sizeof(CloakMyIdentity)> storage;
    auto* plugin = new (storage.data()) CloakMyIdentity;
    hooks::RegisterHookTable(*plugin, game);
    plugin->~CloakMyIdentity();
    std::fill(storage.begin(), storage.end(), std::byte{0xAB});

    std::array<std::byte, 64> params{};
    for (const ExpectedRow& row : kExpectedRows) {
        const sim::host::HookCallback& callback = host.hooks.Find(row.function)->callbacks[0];
        if (callback.withActor) {
            callback.withActor(ActorWrapper(0), params.data(), row.function);
        } else if (callback.withPri) {
            callback.withPri(PriWrapper(0), params.data(), row.function);
        } else {
            callback.plain(row.function);
        }
    }
    EXPECT_TRUE(std::all_of(storage.begin(), storage.end(),
                            [](std::byte b) { return b == std::byte{0xAB}; }));
    EXPECT_TRUE(
        std::all_of(params.begin(), params.end(), [](std::byte b) { return b == std::byte{0}; }));
}

}  // namespace
