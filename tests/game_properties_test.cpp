// Property search, the typed accessors and the check of the name registries.
#include <gtest/gtest.h>

#include <vector>

#include "game/name_registry.hpp"
#include "game/properties.hpp"
#include "game_world_fixture.hpp"

namespace {

using game::GameObject;
using PropertyTest = GameWorldTest;

TEST_F(PropertyTest, FindsOnlyDataPropertiesTheClassDeclaresItself) {
    GameObject* pri = world.Get("Class TAGame.PRI_TA");
    GameObject* record = world.Get("Class Engine.PlayerReplicationInfo");
    EXPECT_EQ(game::FindPropertyOffset(pri, "ClubID"), world.PropertyOffset(pri, "ClubID"));
    EXPECT_EQ(game::FindPropertyOffset(record, "PlayerName"),
              world.PropertyOffset(record, "PlayerName"));
    // Inherited: declared by a super class only.
    EXPECT_EQ(game::FindPropertyOffset(pri, "PlayerName"), std::nullopt);
    // Case-sensitive.
    EXPECT_EQ(game::FindPropertyOffset(pri, "clubID"), std::nullopt);
    EXPECT_EQ(game::FindPropertyOffset(world.Get("Class Engine.PlayerController"), "player"),
              std::nullopt);
    // Functions, constants, enumerations and structs in the same chain are no properties, even
    // where their word at 0x74 is non-zero.
    for (const char* name :
         {"ReplicatedEvent", "MAX_LOADOUTS", "EPlayerRole", "ClientLoadoutData"}) {
        EXPECT_EQ(game::FindPropertyOffset(pri, name), std::nullopt) << name;
    }
    EXPECT_EQ(game::FindPropertyOffset(pri, "NoSuchProperty"), std::nullopt);
    EXPECT_EQ(game::FindPropertyOffset(nullptr, "ClubID"), std::nullopt);
}

TEST_F(PropertyTest, SkipsUnmarkedFieldsAndFieldsInsideTheSuperClassPart) {
    GameObject* cls = world.BeginClass("TAGame.Odd_TA", "Class Engine.Actor");
    GameObject* intProperty = world.Get("Class Core.IntProperty");
    GameObject* unmarked = world.CreateObject(intProperty, "Unmarked", cls);
    unmarked->offset = cls->propertySize;
    world.LinkField(cls, unmarked);  // 0x74 stays 0
    GameObject* low = world.CreateObject(intProperty, "Low", cls);
    low->offset = cls->superStruct->propertySize - 4;
    low->dataProperty = 1;
    world.LinkField(cls, low);
    world.AddProperty(cls, {"Fine", sim::game::PropertyType::Int});
    world.FinishClass(cls);

    EXPECT_EQ(game::FindPropertyOffset(cls, "Unmarked"), std::nullopt);
    EXPECT_EQ(game::FindPropertyOffset(cls, "Low"), std::nullopt);
    EXPECT_EQ(game::FindPropertyOffset(cls, "Fine"), world.PropertyOffset(cls, "Fine"));
    // A struct that names itself as its super declares nothing.
    cls->superStruct = cls;
    EXPECT_EQ(game::FindPropertyOffset(cls, "Fine"), std::nullopt);
    // Without a super, every marked field counts, whatever its offset.
    cls->superStruct = nullptr;
    EXPECT_EQ(game::FindPropertyOffset(cls, "Low"), low->offset);
}

// A function, constant, enumeration or struct named like a wanted property is never taken for it,
// though its words at 0x74 and 0x98 look like a property's declared past the parent class's part.
TEST_F(PropertyTest, FieldsOfOtherKindsNamedLikeAPropertyAreNeverTakenForIt) {
    GameObject* cls = world.BeginClass("TAGame.Lookalike_TA", "Class Engine.Actor");
    const std::vector<GameObject*> lookalikes{
        world.DefineFunction(cls, "Level"), world.DefineConst(cls, "Team"),
        world.DefineEnum(cls, "TeamIndex"), world.DefineScriptStruct(cls, "XPTitle", {})};
    world.AddProperty(cls, {"Level", sim::game::PropertyType::Int});
    world.FinishClass(cls);
    for (const GameObject* field : lookalikes) {
        ASSERT_NE(field->dataProperty, 0u);
        ASSERT_GE(field->offset, cls->superStruct->propertySize);
    }
    EXPECT_EQ(game::FindPropertyOffset(cls, "Level"), world.PropertyOffset(cls, "Level"));
    for (const char* name : {"Team", "TeamIndex", "XPTitle"}) {
        EXPECT_EQ(game::FindPropertyOffset(cls, name), std::nullopt) << name;
    }
}

// A damaged chain of fields or super class is read no further than the object table vouches for:
// the search ends without a result instead of following a foreign pointer or going round a loop.
TEST_F(PropertyTest, DamagedFieldChainOrSuperFindsNothing) {
    GameObject* cls = world.DefineClass(
        "TAGame.Damaged_TA", "Class Engine.Actor",
        {{"First", sim::game::PropertyType::Int}, {"Second", sim::game::PropertyType::Int}});
    GameObject* first = cls->firstField;
    ASSERT_EQ(game::FindPropertyOffset(cls, "Second"), world.PropertyOffset(cls, "Second"));

    first->nextField = game::PointerAt<GameObject>(0x900000000000ull);
    EXPECT_EQ(game::FindPropertyOffset(cls, "Second"), std::nullopt);
    EXPECT_EQ(game::FindPropertyOffset(cls, "First"), world.PropertyOffset(cls, "First"));
    first->nextField = first;  // a loop
    EXPECT_EQ(game::FindPropertyOffset(cls, "Second"), std::nullopt);

    GameObject* super = cls->superStruct;
    cls->superStruct = game::PointerAt<GameObject>(game::AddressOf(super) + 4);
    EXPECT_EQ(game::FindPropertyOffset(cls, "First"), std::nullopt);
}

TEST_F(PropertyTest, AccessorsPointIntoTheObjectOrAreNull) {
    GameObject* controller = world.Spawn("Class TAGame.PlayerController_TA");
    GameObject* localPlayer = world.Spawn("Class ProjectX.LocalPlayer_X");
    GameObject* online = world.Spawn("Class ProjectX.OnlinePlayer_X");
    world.Field<GameObject*>(controller, "Player") = localPlayer;
    world.Field<GameObject*>(localPlayer, "OnlinePlayer") = online;

    ASSERT_NE(game::GetPlayer(controller), nullptr);
    EXPECT_EQ(*game::GetPlayer(controller), localPlayer);
    ASSERT_NE(game::GetOnlinePlayer(localPlayer), nullptr);
    EXPECT_EQ(*game::GetOnlinePlayer(localPlayer), online);

    GameObject* pri = world.Spawn("Class TAGame.PRI_TA");
    EXPECT_EQ(static_cast<void*>(game::GetClientLoadouts(pri)),
              &world.Field<std::byte>(pri, "ClientLoadouts"));
    EXPECT_EQ(static_cast<void*>(game::GetClientLoadoutsOnline(pri)),
              &world.Field<std::byte>(pri, "ClientLoadoutsOnline"));
    // Two 16-byte records each, the online ones right behind the plain ones.
    EXPECT_EQ(world.PropertyOffset(pri->classObject, "ClientLoadoutsOnline") -
                  world.PropertyOffset(pri->classObject, "ClientLoadouts"),
              32);
    GameObject* recents = world.Spawn("Class TAGame.RecentPlayers_TA");
    EXPECT_EQ(game::GetMaxRecentPlayerCount(recents),
              &world.Field<std::int32_t>(recents, "MaxRecentPlayerCount"));

    EXPECT_EQ(game::GetPlayer(nullptr), nullptr);
    game::ClassCache missing{"Class TAGame.NoSuchClass_TA"};
    EXPECT_EQ(game::FieldOf<std::int32_t>(pri, missing, "ClubID"), nullptr);
    EXPECT_EQ(game::FieldOf<std::int32_t>(pri, game::PriClass, "NoSuchProperty"), nullptr);
}

// The names the load sequence registers.
void RegisterPluginNames() {
    for (const char* function : {
             "Function TAGame.GFxData_LocalPlayer_TA.CanShowRankInfoForPlaylistByID",
             "Function TAGame.GFxData_SeasonReward_TA.UpdateData",
             "Function TAGame.GFxData_TeamInfo_TA.HandleNameChanged",
             "Function TAGame.GFxData_Vote_TA.SetVoteActor",
             "Function TAGame.GFxData_PRI_TA.HandleTitleChanged",
             "Function TAGame.PRI_TA.ReplicatedEvent",
             "Function TAGame.RecentPlayers_TA.OnRecentsChanged",
             "Function TAGame.GFxData_Friends_TA.DownloadRecentPlayers",
             "Function TAGame.GFxData_PRI_TA.__GFxData_PRI_TA__UpdatePRIData_0x1",
             "Function TAGame.PRI_TA.OnLoadoutsSetInternal",
             "Function TAGame.GFxData_NotificationManager_TA.HandleNotificationAdded",
         }) {
        game::NameRegistry::AddFunction(function);
    }
    for (const char* cls : {"Class TAGame.RecentPlayers_TA", "Class TAGame.GFxData_Friends_TA",
                            "Class TAGame.GFxData_NotificationManager_TA",
                            "Class TAGame.FriendRequestNotification_TA"}) {
        game::NameRegistry::AddClass(cls);
    }
    game::NameRegistry::SetStructSize(u"ClientLoadoutData", 16);
    game::NameRegistry::SetStructSize(u"ClientLoadoutOnlineData", 16);
}

class RegistryTest : public GameWorldTest {
protected:
    RegistryTest() {
        AttachConsole();
        RegisterPluginNames();
    }
};

TEST_F(RegistryTest, EverythingResolvesSilently) {
    RegisterPluginNames();  // twice: still one entry each
    EXPECT_EQ(game::NameRegistry::FunctionNames.size(), 11u);
    EXPECT_EQ(game::NameRegistry::ClassNames.size(), 4u);
    EXPECT_EQ(game::NameRegistry::StructSizes.size(), 2u);
    game::ResolveNameRegistries();
    EXPECT_TRUE(ConsoleLines().empty());
}

TEST_F(RegistryTest, OneMissingClassLogsOneLine) {
    game::NameRegistry::AddClass("Class TAGame.Gone_TA");
    game::ResolveNameRegistries();
    EXPECT_EQ(ConsoleLines(), std::vector<std::string>{"BAD BAD BAD"});
}

TEST_F(RegistryTest, MissingNamesOfEveryKindStillLogOneLine) {
    game::NameRegistry::AddFunction("Function TAGame.PRI_TA.Gone");
    game::NameRegistry::SetStructSize(u"GoneStruct", 16);
    game::NameRegistry::AddClass("Class TAGame.Gone_TA");
    game::ResolveNameRegistries();
    EXPECT_EQ(ConsoleLines(), std::vector<std::string>{"BAD BAD BAD"});
}

TEST_F(RegistryTest, StructSizeIsRaisedToItsAlignment) {
    GameObject* pri = world.Get("Class TAGame.PRI_TA");
    world.DefineScriptStruct(pri, "TwelveBytes", {}, 12, 8);
    game::NameRegistry::SetStructSize(u"TwelveBytes", 16);
    game::ResolveNameRegistries();
    EXPECT_TRUE(ConsoleLines().empty());

    game::NameRegistry::SetStructSize(u"TwelveBytes", 12);  // replaces 16
    game::ResolveNameRegistries();
    EXPECT_EQ(ConsoleLines(), std::vector<std::string>{"BAD BAD BAD"});
}

TEST_F(RegistryTest, AStructNameOnSomethingElseDoesNotResolve) {
    // "Level" names properties only, no script struct.
    game::NameRegistry::SetStructSize(u"Level", 4);
    game::ResolveNameRegistries();
    EXPECT_EQ(ConsoleLines(), std::vector<std::string>{"BAD BAD BAD"});
}

TEST_F(RegistryTest, NoConsoleMeansNoLine) {
    sharedConsole.reset();
    game::NameRegistry::AddClass("Class TAGame.Gone_TA");
    game::ResolveNameRegistries();
    EXPECT_TRUE(ConsoleLines().empty());
}

}  // namespace
