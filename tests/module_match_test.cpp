// The built plugin module, loaded by the stand-in host into a running game, through a match, a
// second match, free play and the menus.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "game/layout.hpp"
#include "plugin/hook_table.hpp"
#include "sim/game/match_session.hpp"
#include "sim/game/world.hpp"
#include "sim/host/host.hpp"
#include "temp_folder.hpp"

using namespace cloak;

namespace {

using emu::MatchPlayer;
using sim::host::HostSdk;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Pair;

class ModuleMatchTest : public ::testing::TestWithParam<HostSdk> {
protected:
    std::u16string NameOf(const MatchPlayer& player) {
        return world.GetString(player.pri, "PlayerName");
    }

    testing_support::TempFolder folder;
    emu::World world;
    std::optional<emu::Session> session{std::in_place, world, u"NightOwl"};
    sim::host::Host host{folder.path(), GetParam()};
};

INSTANTIATE_TEST_SUITE_P(Hosts, ModuleMatchTest,
                         ::testing::Values(HostSdk::Hybrid, HostSdk::Public),
                         [](const ::testing::TestParamInfo<HostSdk>& host) {
                             return host.param == HostSdk::Hybrid ? "Hybrid" : "Public";
                         });

TEST_P(ModuleMatchTest, PlayersAreNumberedPerMatchAndTheLocalPlayerIsPlayerZero) {
    ASSERT_TRUE(host.Load(CLOAK_PLUGIN_PATH));
    EXPECT_THAT(host.ConsoleLines(), IsEmpty());

    const MatchPlayer& maverick = session->Join(false, u"Maverick", 0, 7312);
    const MatchPlayer& local = session->Join(true, u"", 0, 5001);
    const MatchPlayer& zephyr = session->Join(false, u"Zephyr", 1, 0);
    EXPECT_EQ(NameOf(maverick), u"Player 1");
    EXPECT_EQ(NameOf(local), u"Player 0");
    EXPECT_EQ(NameOf(zephyr), u"Player 2");
    EXPECT_EQ(world.Field<std::uint64_t>(maverick.pri, "ClubID"), 0u);

    session->EndMatch();
    session->EnterFreePlay();
    EXPECT_EQ(NameOf(session->Join(false, u"Lumen", 0, 0)), u"Lumen");
    session->EndMatch();
    EXPECT_EQ(NameOf(session->Join(false, u"Orbit", 0, 0)), u"Player 1");

    session->AddNotification(true, u"Kestrel_TTV");
    EXPECT_EQ(world
                  .Field<game::GameArray<emu::GameObject*>>(session->NotificationManager(),
                                                            "PendingNotifications")
                  .count,
              0);
}

TEST_P(ModuleMatchTest, GameWithoutANameTheHooksNeedIsReportedOnce) {
    world.Get("Class TAGame.RecentPlayers_TA")->nameIndex = world.Name("RenamedByTest");
    ASSERT_TRUE(host.Load(CLOAK_PLUGIN_PATH));
    EXPECT_THAT(host.ConsoleLines(), ElementsAre("BAD BAD BAD",
                                                 "CloakMyIdentity: game names missing: Function "
                                                 "TAGame.RecentPlayers_TA.OnRecentsChanged, Class "
                                                 "TAGame.RecentPlayers_TA"));
    EXPECT_EQ(host.State().hooks.Count("Function TAGame.GameEvent_Soccar_TA.Destroyed"), 1u);
}

// Loaded before the game has its local player (the host loads its plugins as it starts), the
// plugin says once that it waits, tries again on its own, and conceals once the game has one.
TEST_P(ModuleMatchTest, ALoadBeforeTheGameHasItsPlayerConcealsOnceItHasOne) {
    session.reset();
    session.emplace(world, u"NightOwl", emu::BuiltInCatalogue(), emu::GameStart::Loading);
    ASSERT_TRUE(host.Load(CLOAK_PLUGIN_PATH));
    host.PlayFor(std::chrono::seconds(20));
    EXPECT_EQ(host.State().hooks.Count("Function TAGame.PRI_TA.ReplicatedEvent"), 0u);
    EXPECT_EQ(host.State().work.Pending(), 1u) << "one try waits, whatever came before";

    session->ReachMainMenu();
    host.PlayFor(std::chrono::seconds(4));
    EXPECT_EQ(world.GetString(session->OnlinePlayer(), "PlayerName"), u"Player 0");
    EXPECT_EQ(NameOf(session->Join(false, u"Maverick", 0, 0)), u"Player 1");
    EXPECT_THAT(host.ConsoleLines(),
                ElementsAre(AllOf(HasSubstr("concealing NOTHING yet: the game has no local player "
                                            "controller yet"),
                                  HasSubstr("tries again on its own")),
                            "CloakMyIdentity is concealing now: the game has its local player"));
    std::vector<std::pair<int, std::string>> toasts;
    for (const sim::host::ShownToast& toast : host.Toasts())
        toasts.emplace_back(toast.type, toast.text);
    EXPECT_THAT(toasts, ElementsAre(Pair(ToastType_Info, HasSubstr("Waiting for the game")),
                                    Pair(ToastType_OK, "Concealing.")));
    EXPECT_EQ(host.State().work.Pending(), 0u);
}

// The host leaves hooks to the plugin and then frees the module: the plugin removes every hook it
// made as it unloads, and the game plays on without it (a hook left behind would call into the
// freed module).
TEST_P(ModuleMatchTest, UnloadTakesThePluginsHooksAlong) {
    ASSERT_TRUE(host.Load(CLOAK_PLUGIN_PATH));
    EXPECT_EQ(NameOf(session->Join(false, u"Maverick", 0, 0)), u"Player 1");
    host.Unload();
    for (const hooks::HookRow& row : hooks::HookTable) {
        EXPECT_EQ(host.State().hooks.Count(std::string(row.function)), 0u) << row.function;
    }
    MatchPlayer& zephyr = session->Join(false, u"Zephyr", 1, 0);
    EXPECT_EQ(NameOf(zephyr), u"Zephyr");
    session->ReportStat(zephyr, "MatchGoals", 3);
    EXPECT_THAT(zephyr.stats, ElementsAre(std::pair<std::string, std::int32_t>{"MatchGoals", 3}));
}

// Another module's frozen copy of a table's descriptor, made before the load: with the game's
// count it is as likely the table as the game's own, and the load refuses to guess; with a smaller
// count it is the older, and the game's own table is taken, so objects that arrive later are known.
struct FrozenCopy {
    const char* name;
    emu::World::GameTable table;
    bool tableGrewSince;
};

void PrintTo(const FrozenCopy& copy, std::ostream* out) {
    *out << copy.name;
}

class FrozenDescriptorTest : public ::testing::TestWithParam<FrozenCopy> {
protected:
    testing_support::TempFolder folder;
    emu::World world;
    emu::Session session{world, u"NightOwl"};
    sim::host::Host host{folder.path(), HostSdk::Public};
};

INSTANTIATE_TEST_SUITE_P(
    Copies, FrozenDescriptorTest,
    ::testing::Values(FrozenCopy{"ObjectTableSameCount", emu::World::GameTable::Objects, false},
                      FrozenCopy{"ObjectTableOlder", emu::World::GameTable::Objects, true},
                      FrozenCopy{"NameTableSameCount", emu::World::GameTable::Names, false},
                      FrozenCopy{"NameTableOlder", emu::World::GameTable::Names, true}),
    [](const ::testing::TestParamInfo<FrozenCopy>& copy) { return std::string(copy.param.name); });

TEST_P(FrozenDescriptorTest, IsNeverTakenForTheLiveTable) {
    world.FreezeDescriptorCopy(GetParam().table);
    if (GetParam().tableGrewSince) world.Package("LoadedAfterTheCopy");  // a new object and name
    ASSERT_TRUE(host.Load(CLOAK_PLUGIN_PATH));
    if (!GetParam().tableGrewSince) {
        EXPECT_THAT(host.ConsoleLines(), ElementsAre(HasSubstr("more than one place")));
        EXPECT_EQ(host.State().hooks.Count("Function TAGame.PRI_TA.ReplicatedEvent"), 0u);
        return;
    }
    EXPECT_THAT(host.ConsoleLines(), IsEmpty());
    session.AddNotification(true, u"Kestrel_TTV");
    EXPECT_EQ(world
                  .Field<game::GameArray<emu::GameObject*>>(session.NotificationManager(),
                                                            "PendingNotifications")
                  .count,
              0);
}

}  // namespace
