// The load: the local player's name, the thirteen hooks with the game names they depend on, the
// check of those names, and the early ends without a local player.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "game/name_registry.hpp"
#include "plugin/hook_table.hpp"
#include "plugin_in_game.hpp"

using namespace cloak;

namespace {

using sim::host::HookCallback;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Pair;
using testing_support::GameObject;

class LoadSequenceTest : public testing_support::PluginInGame {
protected:
    GameObject* LocalPlayer() { return Field<GameObject*>(session->LocalController(), "Player"); }

    std::size_t HookCount(std::string_view function) {
        return host.State().hooks.Count(std::string(function));
    }
    std::size_t RegisteredHooks() {
        std::size_t count = 0;
        for (const hooks::HookRow& row : hooks::HookTable) count += HookCount(row.function);
        return count;
    }
    // A game object the check looks for, renamed so that the game no longer has it.
    void Rename(std::string_view fullName) {
        world.Get(fullName)->nameIndex = world.Name("RenamedByTest");
    }
};

HookCallback::Phase PhaseOf(hooks::Trigger trigger) {
    switch (trigger) {
        case hooks::Trigger::Pre:
            return HookCallback::Phase::Pre;
        case hooks::Trigger::Post:
            return HookCallback::Phase::Post;
        case hooks::Trigger::Plain:
            break;
    }
    return HookCallback::Phase::Plain;
}

TEST_F(LoadSequenceTest, NamesTheLocalPlayerHooksEveryRowAndFindsEveryName) {
    Load();
    EXPECT_EQ(Text(session->OnlinePlayer(), "PlayerName"), u"Player 0");
    EXPECT_EQ(world.CallCount("Function ProjectX.OnlinePlayer_X.SetPlayerName"), 1u);

    for (const hooks::HookRow& row : hooks::HookTable) {
        const sim::host::HookList* list = host.State().hooks.Find(std::string(row.function));
        ASSERT_NE(list, nullptr) << row.function;
        ASSERT_EQ(list->callbacks.size(), 1u) << row.function;
        const HookCallback& callback = list->callbacks.front();
        EXPECT_EQ(callback.phase, PhaseOf(row.operation.trigger)) << row.function;
        // Only the loadout row's handler takes the player record wrapper.
        const bool withPri = row.function == "Function TAGame.PRI_TA.OnLoadoutsSetInternal";
        EXPECT_EQ(static_cast<bool>(callback.withPri), withPri) << row.function;
    }
    EXPECT_EQ(game::NameRegistry::FunctionNames.size(), 11u);
    EXPECT_FALSE(game::NameRegistry::FunctionNames.contains(
        "Function ProjectX.RPCQueue_X.CreateBatchSingleRPC"));
    EXPECT_EQ(game::NameRegistry::ClassNames.size(), 4u);
    EXPECT_THAT(
        game::NameRegistry::StructSizes,
        ElementsAre(Pair(u"ClientLoadoutData", 16u), Pair(u"ClientLoadoutOnlineData", 16u)));
    EXPECT_THAT(host.ConsoleLines(), IsEmpty());

    // A second load hooks everything again; the registry keeps one entry per name.
    Load();
    EXPECT_EQ(RegisteredHooks(), 2 * hooks::HookTable.size());
    EXPECT_EQ(game::NameRegistry::FunctionNames.size(), 11u);
    EXPECT_EQ(game::NameRegistry::ClassNames.size(), 4u);
    EXPECT_EQ(game::NameRegistry::StructSizes.size(), 2u);
    EXPECT_THAT(host.ConsoleLines(), IsEmpty());
}

// Each such load says in one line that nothing is concealed, and why.
TEST_F(LoadSequenceTest, EndsBeforeTheHooksWithoutAControllerOrItsLocalPlayer) {
    Field<GameObject*>(session->LocalController(), "Player") = nullptr;
    Load();
    EXPECT_EQ(RegisteredHooks(), 0u);
    EXPECT_THAT(game::NameRegistry::FunctionNames, IsEmpty());
    EXPECT_EQ(plugin.Outcome(), LoadOutcome::NoLocalPlayer);

    session.reset();  // no game session: the host reports no controller
    Load();
    EXPECT_EQ(RegisteredHooks(), 0u);
    EXPECT_THAT(host.ConsoleLines(),
                ElementsAre(HasSubstr("concealing NOTHING: the game's player controller has no "
                                      "local player yet"),
                            HasSubstr("concealing NOTHING: the game has no local player "
                                      "controller yet")));
}

TEST_F(LoadSequenceTest, WithoutAnOnlinePlayerHooksAreRegisteredAndNoNameChanges) {
    Field<GameObject*>(LocalPlayer(), "OnlinePlayer") = nullptr;
    Load();
    EXPECT_EQ(RegisteredHooks(), hooks::HookTable.size());
    EXPECT_EQ(Text(session->OnlinePlayer(), "PlayerName"), u"NightOwl");
    EXPECT_EQ(world.CallCount("Function ProjectX.OnlinePlayer_X.SetPlayerName"), 0u);
}

TEST_F(LoadSequenceTest, MissingGameNamesLogOneLineAndTheHooksStay) {
    // A size stored before the load is set back to the one the loadout handler relies on.
    game::NameRegistry::SetStructSize(u"ClientLoadoutData", 8);
    Rename("Class TAGame.FriendRequestNotification_TA");
    Rename("Function TAGame.GFxData_Vote_TA.SetVoteActor");
    Load();
    EXPECT_EQ(game::NameRegistry::StructSizes.at(u"ClientLoadoutData"), 16u);
    EXPECT_THAT(host.ConsoleLines(), ElementsAre("BAD BAD BAD"));
    EXPECT_EQ(RegisteredHooks(), hooks::HookTable.size());
}

TEST_F(LoadSequenceTest, StructOfTheWrongSizeIsReportedToo) {
    world.Get("ScriptStruct TAGame.PRI_TA.ClientLoadoutOnlineData")->propertySize = 24;
    Load();
    EXPECT_THAT(host.ConsoleLines(), ElementsAre("BAD BAD BAD"));
}

}  // namespace
