// Script calls through ProcessEvent, the game-string rules, and the parameter blocks as the game
// lays them out.
#include <gtest/gtest.h>

#include "game/class_caches.hpp"
#include "game/event_params.hpp"
#include "game/game_string.hpp"
#include "game/script_calls.hpp"
#include "game_world_fixture.hpp"
#include "sim/game/function_params.hpp"

using namespace cloak;

namespace {

using emu::World;
using game::GameObject;
using game::GameString;
using ScriptCallTest = GameWorldTest;

TEST_F(ScriptCallTest, MakeGameStringUsesAGameBuffer) {
    const GameString name = game::MakeGameString(u"Player 0");
    EXPECT_EQ(name.count, 9);
    EXPECT_EQ(name.capacity, 9);
    EXPECT_TRUE(world.Allocator().IsGameBuffer(name.data));
    EXPECT_EQ(std::u16string(name.data), u"Player 0");
    EXPECT_EQ(world.CallCount("Function Core.Object.RepeatString"), 1u);
}

TEST_F(ScriptCallTest, ReserveGameStringKeepsWhatFitsInANewGameBuffer) {
    GameString s = game::MakeGameString(u"Player 12");
    char16_t* former = s.data;
    game::ReserveGameString(s, 4);
    EXPECT_EQ(s.count, 4);
    EXPECT_EQ(s.capacity, 4);
    EXPECT_NE(s.data, former);
    EXPECT_TRUE(world.Allocator().IsGameBuffer(s.data));
    EXPECT_EQ(std::u16string(s.data, 4), u"Play");
    EXPECT_EQ(std::u16string(former), u"Player 12");  // left to the game, untouched

    game::ReserveGameString(s, 8);
    EXPECT_EQ(s.count, 4);
    EXPECT_EQ(s.capacity, 8);
    EXPECT_EQ(std::u16string(s.data, 4), u"Play");
    EXPECT_EQ(World::ReadString(GameString{s.data, 8, 8}), u"Play   ");
}

TEST_F(ScriptCallTest, ReleaseAndAssignNeverTouchBuffers) {
    GameString s = game::MakeGameString(u"Blue");
    const GameString before = s;
    game::AssignGameString(s, s);
    EXPECT_EQ(s.data, before.data);
    EXPECT_EQ(s.count, before.count);
    EXPECT_EQ(s.capacity, before.capacity);

    GameObject* record = world.Spawn("Class TAGame.PRI_TA");
    world.SetString(record, "PlayerName", u"Someone");
    GameString& field = world.Field<GameString>(record, "PlayerName");
    char16_t* former = field.data;
    game::AssignGameString(field, s);
    EXPECT_EQ(field.data, s.data);
    EXPECT_EQ(field.count, 5);
    EXPECT_EQ(std::u16string(former), u"Someone");

    game::ReleaseGameString(s);
    EXPECT_EQ(s.data, before.data);
    EXPECT_EQ(s.count, 0);
    EXPECT_EQ(s.capacity, 0);
}

TEST_F(ScriptCallTest, LocalizeAnswersWithTheGameText) {
    // The body sees the three arguments intact and the flag word clear.
    std::vector<std::u16string> seen;
    world.SetNative("Function Core.Object.Localize", [&](GameObject* self, void* params) {
        auto& block = *static_cast<emu::LocalizeParams*>(params);
        EXPECT_EQ(self, world.Get("Class Core.Object"));
        EXPECT_EQ(block.optional, 0u);
        for (const emu::GameString* s : {&block.section, &block.key, &block.package}) {
            seen.push_back(World::ReadString(*s));
            EXPECT_EQ(s->count, s->capacity);
        }
        block.result = world.MakeString(world.LocalizedText(World::ReadString(block.package),
                                                            World::ReadString(block.section),
                                                            World::ReadString(block.key)));
    });
    GameString section = game::MakeGameString(u"Global");
    GameString key = game::MakeGameString(u"Away");
    GameString package = game::MakeGameString(u"UIText");
    const GameString result = game::Localize(section, key, package);
    EXPECT_EQ(World::ReadString(result), u"Orange");
    EXPECT_TRUE(world.Allocator().IsGameBuffer(result.data));
    EXPECT_EQ(seen, (std::vector<std::u16string>{u"Global", u"Away", u"UIText"}));
    // The caller's strings still hold their game buffers.
    EXPECT_EQ(std::u16string(section.data), u"Global");
    EXPECT_TRUE(world.Allocator().IsGameBuffer(key.data));

    EXPECT_EQ(World::ReadString(game::Localize(game::MakeGameString(u"Global"),
                                               game::MakeGameString(u"Home"),
                                               game::MakeGameString(u"UIText"))),
              u"Blue");
    EXPECT_EQ(World::ReadString(game::Localize(game::MakeGameString(u"Global"),
                                               game::MakeGameString(u"Nope"),
                                               game::MakeGameString(u"UIText"))),
              u"?INT?UIText.Global.Nope?");
}

TEST_F(ScriptCallTest, RepeatStringReturnsANewGameString) {
    const GameString result = game::RepeatString(game::MakeGameString(u"ab"), 3);
    EXPECT_EQ(World::ReadString(result), u"ababab");
    EXPECT_EQ(result.count, 7);
    EXPECT_TRUE(world.Allocator().IsGameBuffer(result.data));
}

TEST_F(ScriptCallTest, SetPlayerNameRunsOnTheOnlinePlayer) {
    GameObject* online = world.Spawn("Class ProjectX.OnlinePlayer_X");
    game::SetPlayerName(online, game::MakeGameString(u"Player 0"));
    EXPECT_EQ(world.GetString(online, "PlayerName"), u"Player 0");
    game::SetPlayerName(nullptr, game::MakeGameString(u"Player 0"));
    EXPECT_EQ(world.CallCount("Function ProjectX.OnlinePlayer_X.SetPlayerName"), 1u);
}

TEST_F(ScriptCallTest, NotificationFunctionsRunWithTheOneByteBlock) {
    GameObject* manager = world.Spawn("Class TAGame.GFxData_NotificationManager_TA");
    GameObject* request = world.Spawn("Class TAGame.FriendRequestNotification_TA");
    world.Field<emu::GameArray<GameObject*>>(manager, "PendingNotifications") =
        world.MakeArray<GameObject*>({request});
    world.SetNative("Function TAGame.GFxData_NotificationManager_TA.RefreshNotifications",
                    [](GameObject*, void* params) {
                        EXPECT_EQ(static_cast<game::NoParams*>(params)->zero, 0);
                    });
    game::RefreshNotifications(manager);
    EXPECT_EQ(
        world.CallCount("Function TAGame.GFxData_NotificationManager_TA.RefreshNotifications"), 1u);

    game::FunctionCache process{
        "Function TAGame.GFxData_NotificationManager_TA.ProcessPendingNotifications"};
    game::CallWithoutArguments(manager, process);
    EXPECT_EQ(world.Field<game::GameArray<GameObject*>>(manager, "PendingNotifications").count, 0);
    const auto& shown = world.Field<game::GameArray<GameObject*>>(manager, "Notifications");
    ASSERT_EQ(shown.count, 1);
    EXPECT_EQ(shown.data[0], request);
}

TEST_F(ScriptCallTest, CallsGoThroughTheObjectsProcessEventSlot) {
    static int detoured = 0;
    world.SetProcessEventSlot([](GameObject* object, GameObject* function, void* params) {
        ++detoured;
        World::GameProcessEvent(object, function, params);
    });
    EXPECT_EQ(World::ReadString(game::RepeatString(game::MakeGameString(u"x"), 2)), u"xx");
    EXPECT_EQ(detoured, 2);  // MakeGameString's RepeatString and the call itself
}

TEST_F(ScriptCallTest, CallsWithoutTheirFunctionDoNothing) {
    game::ObjectTableDescriptor empty{};
    game::ObjectTableAddress = game::AddressOf(&empty);
    const GameString made = game::MakeGameString(u"Player 0");
    EXPECT_EQ(made.data, nullptr);
    UseWorldTables();
    GameObject* online = world.Spawn("Class ProjectX.OnlinePlayer_X");
    game::SetPlayerName(online, made);
    const GameString localized = game::Localize(made, made, made);
    EXPECT_EQ(localized.data, nullptr);
    EXPECT_EQ(localized.count, 0);
    EXPECT_EQ(world.CallCount("Function Core.Object.RepeatString"), 0u);
    EXPECT_EQ(world.CallCount("Function ProjectX.OnlinePlayer_X.SetPlayerName"), 0u);
}

// The game's functions declare their parameters where the plugin's blocks put them.
TEST_F(ScriptCallTest, ParameterBlocksMatchTheGameFunctions) {
    struct Expected {
        const char* function;
        const char* parameter;
        std::size_t offset;
        std::size_t blockSize;
    };
    const Expected expected[] = {
        {"Function Core.Object.Localize", "SectionName", offsetof(game::LocalizeParams, section),
         sizeof(game::LocalizeParams)},
        {"Function Core.Object.Localize", "KeyName", offsetof(game::LocalizeParams, key), 72},
        {"Function Core.Object.Localize", "PackageName", offsetof(game::LocalizeParams, package),
         72},
        {"Function Core.Object.Localize", "bOptional", offsetof(game::LocalizeParams, flags), 72},
        {"Function Core.Object.Localize", "ReturnValue", offsetof(game::LocalizeParams, result),
         72},
        {"Function Core.Object.RepeatString", "S", offsetof(game::RepeatStringParams, text),
         sizeof(game::RepeatStringParams)},
        {"Function Core.Object.RepeatString", "Count", offsetof(game::RepeatStringParams, count),
         40},
        {"Function Core.Object.RepeatString", "ReturnValue",
         offsetof(game::RepeatStringParams, result), 40},
        {"Function ProjectX.OnlinePlayer_X.SetPlayerName", "InPlayerName",
         offsetof(game::SetPlayerNameParams, name), sizeof(game::SetPlayerNameParams)},
        {"Function TAGame.PRI_TA.ReplicatedEvent", "VarName",
         offsetof(game::ReplicatedEventParams, variableName), sizeof(game::ReplicatedEventParams)},
        {"Function TAGame.GFxData_PRI_TA.__GFxData_PRI_TA__UpdatePRIData_0x1", "StatName",
         offsetof(game::UpdatePriDataParams, statisticName), sizeof(game::UpdatePriDataParams)},
        {"Function TAGame.GFxData_PRI_TA.__GFxData_PRI_TA__UpdatePRIData_0x1", "NewValue",
         offsetof(game::UpdatePriDataParams, value), 16},
        {"Function TAGame.GFxData_LocalPlayer_TA.CanShowRankInfoForPlaylistByID", "ReturnValue",
         offsetof(game::CanShowRankInfoParams, result), sizeof(game::CanShowRankInfoParams)},
        {"Function TAGame.GFxData_TeamInfo_TA.HandleNameChanged", "NewName",
         offsetof(game::HandleNameChangedParams, name), sizeof(game::HandleNameChangedParams)},
        {"Function TAGame.GFxData_Vote_TA.SetVoteActor", "InVoteActor",
         offsetof(game::SetVoteActorParams, voteActor), sizeof(game::SetVoteActorParams)},
        {"Function TAGame.GFxData_NotificationManager_TA.HandleNotificationAdded", "Notification",
         offsetof(game::HandleNotificationAddedParams, notification),
         sizeof(game::HandleNotificationAddedParams)},
        {"Function TAGame.GFxData_PRI_TA.HandleTitleChanged", "InPRI",
         offsetof(emu::HandleTitleChangedParams, pri), sizeof(emu::HandleTitleChangedParams)},
        {"Function ProjectX.RPCQueue_X.CreateBatchSingleRPC", "ReturnValue",
         offsetof(emu::CreateBatchSingleRpcParams, result),
         sizeof(emu::CreateBatchSingleRpcParams)},
    };
    for (const Expected& e : expected) {
        GameObject* function = world.Get(e.function);
        EXPECT_EQ(world.PropertyOffset(function, e.parameter), static_cast<std::int32_t>(e.offset))
            << e.function << " " << e.parameter;
        EXPECT_EQ(function->propertySize, static_cast<std::int32_t>(e.blockSize)) << e.function;
    }
}

}  // namespace
