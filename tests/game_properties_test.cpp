// Property search, the declared properties and the check of the name registries.
#include <gtest/gtest.h>

#include <cstddef>
#include <string_view>
#include <type_traits>
#include <vector>

#include "game/class_caches.hpp"
#include "game/name_registry.hpp"
#include "game/properties.hpp"
#include "game_world_fixture.hpp"

using namespace cloak;

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
    world.AddProperty(cls, {"Fine", emu::PropertyType::Int});
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
    world.AddProperty(cls, {"Level", emu::PropertyType::Int});
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
    GameObject* cls =
        world.DefineClass("TAGame.Damaged_TA", "Class Engine.Actor",
                          {{"First", emu::PropertyType::Int}, {"Second", emu::PropertyType::Int}});
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

// Each declared property against the game's own class and property name; the field type is the
// template argument, so a declaration of another type does not compile.
template <class T>
void ExpectDeclared(emu::World& world, const game::Property<T>& property,
                    std::string_view instanceClass, std::string_view name) {
    GameObject* object = world.Spawn(instanceClass);
    EXPECT_EQ(static_cast<void*>(property.In(object)), &world.Field<std::byte>(object, name))
        << name;
}

TEST_F(PropertyTest, EveryDeclaredPropertyPointsIntoItsObject) {
    ExpectDeclared<GameObject*>(world, game::PlayerControllerPlayer,
                                "Class TAGame.PlayerController_TA", "Player");
    ExpectDeclared<GameObject*>(world, game::LocalPlayerOnlinePlayer,
                                "Class ProjectX.LocalPlayer_X", "OnlinePlayer");
    ExpectDeclared<game::GameString>(world, game::PlayerReplicationInfoPlayerName,
                                     "Class TAGame.PRI_TA", "PlayerName");
    ExpectDeclared<std::int32_t>(world, game::TeamInfoTeamIndex, "Class TAGame.Team_TA",
                                 "TeamIndex");
    ExpectDeclared<game::ClientLoadoutData>(world, game::PriClientLoadouts, "Class TAGame.PRI_TA",
                                            "ClientLoadouts");
    ExpectDeclared<game::ClientLoadoutOnlineData>(world, game::PriClientLoadoutsOnline,
                                                  "Class TAGame.PRI_TA", "ClientLoadoutsOnline");
    ExpectDeclared<game::GameString>(world, game::GfxPriXPTitle, "Class TAGame.GFxData_PRI_TA",
                                     "XPTitle");
    ExpectDeclared<std::int32_t>(world, game::SeasonRewardLevel,
                                 "Class TAGame.GFxData_SeasonReward_TA", "Level");
    ExpectDeclared<GameObject*>(world, game::GfxTeamInfoTeam, "Class TAGame.GFxData_TeamInfo_TA",
                                "Team");
    ExpectDeclared<std::int32_t>(world, game::RecentPlayersMaxRecentPlayerCount,
                                 "Class TAGame.RecentPlayers_TA", "MaxRecentPlayerCount");
    ExpectDeclared<GameObject*>(world, game::FriendsRecentPlayers,
                                "Class TAGame.GFxData_Friends_TA", "RecentPlayers");
    ExpectDeclared<game::GameArray<GameObject*>>(
        world, game::NotificationManagerPendingNotifications,
        "Class TAGame.GFxData_NotificationManager_TA", "PendingNotifications");

    // Two 16-byte records each, the online ones right behind the plain ones.
    GameObject* pri = world.Spawn("Class TAGame.PRI_TA");
    EXPECT_EQ(world.PropertyOffset(pri->classObject, "ClientLoadoutsOnline") -
                  world.PropertyOffset(pri->classObject, "ClientLoadouts"),
              32);
}

TEST_F(PropertyTest, MissingObjectClassOrPropertyGivesNoField) {
    GameObject* pri = world.Spawn("Class TAGame.PRI_TA");
    const GameObject* constPri = pri;
    static_assert(std::is_same_v<decltype(game::PriClientLoadouts.In(constPri)),
                                 const game::ClientLoadoutData*>);
    EXPECT_EQ(game::PriClientLoadouts.In(constPri), game::PriClientLoadouts.In(pri));

    EXPECT_EQ(game::PlayerControllerPlayer.In(static_cast<GameObject*>(nullptr)), nullptr);
    game::ClassCache missing{"Class TAGame.NoSuchClass_TA"};
    EXPECT_EQ((game::Property<std::int32_t>{missing, "ClubID"}.In(pri)), nullptr);
    EXPECT_EQ((game::Property<std::int32_t>{game::PriClass, "NoSuchProperty"}.In(pri)), nullptr);
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

TEST_F(RegistryTest, EverythingResolves) {
    RegisterPluginNames();  // twice: still one entry each
    EXPECT_EQ(game::NameRegistry::FunctionNames.size(), 11u);
    EXPECT_EQ(game::NameRegistry::ClassNames.size(), 4u);
    EXPECT_EQ(game::NameRegistry::StructSizes.size(), 2u);
    EXPECT_TRUE(game::ResolveNameRegistries());
}

TEST_F(RegistryTest, AMissingNameOfAnyKindFails) {
    game::NameRegistry::AddClass("Class TAGame.Gone_TA");
    EXPECT_FALSE(game::ResolveNameRegistries());
    game::NameRegistry::ClassNames.erase("Class TAGame.Gone_TA");
    game::NameRegistry::AddFunction("Function TAGame.PRI_TA.Gone");
    EXPECT_FALSE(game::ResolveNameRegistries());
    game::NameRegistry::FunctionNames.erase("Function TAGame.PRI_TA.Gone");
    game::NameRegistry::SetStructSize(u"GoneStruct", 16);
    EXPECT_FALSE(game::ResolveNameRegistries());
    // The check reports; logging is the load sequence's business.
    EXPECT_TRUE(ConsoleLines().empty());
}

TEST_F(RegistryTest, StructSizeIsRaisedToItsAlignment) {
    GameObject* pri = world.Get("Class TAGame.PRI_TA");
    world.DefineScriptStruct(pri, "TwelveBytes", {}, 12, 8);
    game::NameRegistry::SetStructSize(u"TwelveBytes", 16);
    EXPECT_TRUE(game::ResolveNameRegistries());

    game::NameRegistry::SetStructSize(u"TwelveBytes", 12);  // replaces 16
    EXPECT_FALSE(game::ResolveNameRegistries());
}

TEST_F(RegistryTest, AStructNameOnSomethingElseDoesNotResolve) {
    // "Level" names properties only, no script struct.
    game::NameRegistry::SetStructSize(u"Level", 4);
    EXPECT_FALSE(game::ResolveNameRegistries());
}

// The struct check walks the object hash with the same guards as every other walk: a bucket that
// loops or leaves user space makes the struct missing, and the load goes on.
TEST_F(RegistryTest, DamagedObjectHashChainsFailTheStructCheck) {
    const std::int32_t nameIndex = world.Name("ClientLoadoutData");
    GameObject*& bucket = world.ObjectHashBuckets()[(nameIndex ^ 0) & 0x7FFF];
    GameObject* object = world.Get("Class Core.Object");
    bucket = object;
    object->hashNext = object;  // a loop
    EXPECT_FALSE(game::ResolveNameRegistries());

    for (const std::uint64_t link : {std::uint64_t{0x800000000000}, game::AddressOf(object) + 4}) {
        object->hashNext = game::PointerAt<GameObject>(link);
        EXPECT_FALSE(game::ResolveNameRegistries()) << std::hex << link;
        bucket = game::PointerAt<GameObject>(link);
        EXPECT_FALSE(game::ResolveNameRegistries()) << std::hex << link;
        bucket = object;
    }
}

}  // namespace
