// The game emulator itself: the memory image the plugin reads must follow the game's rules, or
// the plugin's tests prove nothing.
#include <gtest/gtest.h>

#include "bakkesmod/wrappers/GameWrapper.h"
#include "game/event_params.hpp"
#include "game/hash_tables.hpp"
#include "game/lookup.hpp"
#include "game/script_calls.hpp"
#include "game_world_fixture.hpp"
#include "sim/game/function_params.hpp"
#include "sim/game/large_world.hpp"
#include "sim/host/host.hpp"
#include "tests/sanitized_build.hpp"

using namespace cloak;

namespace {

using emu::World;
using game::GameObject;
using EmulatorTest = GameWorldTest;

TEST_F(EmulatorTest, EveryObjectAndNameSitsInItsHashBucket) {
    world.Spawn("Class TAGame.PRI_TA");
    world.Spawn("Class TAGame.PRI_TA");
    const auto& objects = world.ObjectTable();
    for (std::int32_t i = 0; i < objects.count; ++i) {
        const GameObject* object = objects.data[i];
        ASSERT_EQ(object->index, i);
        const auto bucket =
            static_cast<std::uint32_t>(object->nameIndex ^ object->nameNumber) & 0x7FFF;
        bool found = false;
        for (const GameObject* o = world.ObjectHashBuckets()[bucket]; o != nullptr;
             o = o->hashNext) {
            found = found || o == object;
        }
        ASSERT_TRUE(found) << world.FullName(object);
    }
    const auto& names = world.NameTable();
    for (std::int32_t i = 0; i < names.count; ++i) {
        ASSERT_EQ(names.data[i]->index, i);
        ASSERT_EQ(game::FindNameEntry(names.data[i]->text), names.data[i]);
    }
}

TEST_F(EmulatorTest, ClassesHaveTheGameShape) {
    EXPECT_EQ(world.ObjectTable().data[28], world.Get("Class Core.Function"));
    GameObject* pri = world.Get("Class TAGame.PRI_TA");
    EXPECT_EQ(pri->classObject, world.Get("Class Core.Class"));
    EXPECT_EQ(world.Get("Class Core.Class")->classObject, world.Get("Class Core.Class"));
    EXPECT_EQ(pri->superStruct, world.Get("Class ProjectX.PRI_X"));
    EXPECT_GE(world.PropertyOffset(pri, "ClubID"), pri->superStruct->propertySize);

    GameObject* defaults = world.DefaultObject(pri);
    ASSERT_NE(defaults, nullptr);
    EXPECT_EQ(defaults->classObject, pri);
    EXPECT_EQ(defaults->flags & 0x200, 0x200u);
    EXPECT_EQ(world.FullName(defaults), "PRI_TA TAGame.Default__PRI_TA");

    GameObject* loadout = world.Get("ScriptStruct TAGame.PRI_TA.ClientLoadoutData");
    EXPECT_EQ(loadout->propertySize, 16);
    EXPECT_EQ(loadout->minAlignment, 8);
    EXPECT_EQ(world.Get("ScriptStruct TAGame.PRI_TA.ClientLoadoutOnlineData")->propertySize, 16);
}

TEST_F(EmulatorTest, SpawnedInstancesAreZeroedAndNumbered) {
    GameObject* first = world.Spawn("Class TAGame.PRI_TA");
    GameObject* second = world.Spawn("Class TAGame.PRI_TA");
    EXPECT_EQ(first->nameIndex, second->nameIndex);
    EXPECT_EQ(second->nameNumber, first->nameNumber + 1);
    EXPECT_EQ(first->flags, 0u);
    EXPECT_EQ(world.Allocator().BufferSize(first),
              static_cast<std::size_t>(first->classObject->propertySize));
    EXPECT_EQ(world.Field<std::uint64_t>(first, "ClubID"), 0u);
    EXPECT_EQ(world.GetString(first, "PlayerName"), u"");
    world.SetString(first, "PlayerName", u"Somebody");
    EXPECT_EQ(world.GetString(first, "PlayerName"), u"Somebody");
    EXPECT_TRUE(
        world.Allocator().IsGameBuffer(world.Field<game::GameString>(first, "PlayerName").data));
}

TEST_F(EmulatorTest, AllocatorKnowsEveryGameBuffer) {
    auto* buffer = static_cast<std::byte*>(world.Allocator().Allocate(24));
    EXPECT_TRUE(world.Allocator().IsGameBuffer(buffer));
    EXPECT_FALSE(world.Allocator().IsGameBuffer(buffer + 8));
    EXPECT_TRUE(world.Allocator().IsInsideGameBuffer(buffer + 23));
    EXPECT_FALSE(world.Allocator().IsInsideGameBuffer(buffer + 24));
    EXPECT_EQ(world.Allocator().BufferSize(buffer), 24u);
    int local = 0;
    EXPECT_FALSE(world.Allocator().IsInsideGameBuffer(&local));
    EXPECT_EQ(world.MakeString(u"").data, nullptr);
}

TEST_F(EmulatorTest, NativeBodiesCanBeReplacedAndRunThroughTheSlot) {
    GameObject* pri = world.Spawn("Class TAGame.PRI_TA");
    int ran = 0;
    world.SetNative("Function TAGame.PRI_TA.ReplicatedEvent", [&](GameObject* self, void* params) {
        EXPECT_EQ(self, pri);
        EXPECT_EQ(static_cast<game::NameValue*>(params)->index, world.Name("PlayerName"));
        ++ran;
    });
    game::NameValue name{world.Name("PlayerName"), 0};
    world.Call(pri, "Function TAGame.PRI_TA.ReplicatedEvent", &name);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(world.CallCount("Function TAGame.PRI_TA.ReplicatedEvent"), 1u);
    // A function without a body runs as a no-op and is still counted.
    world.Call(pri, "Function TAGame.PRI_TA.OnLoadoutsSetInternal", &name);
    EXPECT_EQ(world.CallCount("Function TAGame.PRI_TA.OnLoadoutsSetInternal"), 1u);
    EXPECT_EQ(world.ProcessEventSlot(), &World::GameProcessEvent);
}

TEST(EmulatorWorlds, EachWorldRunsItsOwnObjects) {
    World outer;
    {
        World inner;
        EXPECT_EQ(&World::Current(), &inner);
        GameObject* online = outer.Spawn("Class ProjectX.OnlinePlayer_X");
        emu::SetPlayerNameParams params{outer.MakeString(u"Outer")};
        outer.Call(online, "Function ProjectX.OnlinePlayer_X.SetPlayerName", &params);
        EXPECT_EQ(outer.GetString(online, "PlayerName"), u"Outer");
        EXPECT_EQ(inner.CallCount("Function ProjectX.OnlinePlayer_X.SetPlayerName"), 0u);
    }
    EXPECT_EQ(&World::Current(), &outer);
}

TEST_F(EmulatorTest, HostReadsNamesAndTablesFromTheCurrentWorld) {
    GameWrapper gameWrapper(&host);
    EXPECT_EQ(gameWrapper.GetFNameByIndex(world.Name("PlayerName")), "PlayerName");
    EXPECT_EQ(gameWrapper.GetFNameByIndex(0), "None");
    EXPECT_EQ(gameWrapper.GetFNameByIndex(world.NameTable().count), "");
    EXPECT_EQ(gameWrapper.GetFNameByIndex(-1), "");
    const sim::host::GameTables tables = sim::host::CurrentWorldTables();
    EXPECT_EQ(tables.objectTable, world.ObjectTableAddress());
    EXPECT_EQ(tables.nameTable, world.NameTableAddress());
}

TEST_F(EmulatorTest, LargeTablesAreFoundLikeSmallOnes) {
    // Enough objects that the indices' texts fill several storage blocks; a sanitizer's build,
    // some twenty times slower, still fills a few.
    constexpr std::int32_t kObjects = testing_support::kSanitizedBuild ? 30000 : 150000;
    emu::PopulateLargeWorld(world, kObjects);
    const auto& objects = world.ObjectTable();
    ASSERT_GE(objects.count, kObjects);
    std::size_t checked = 0;
    for (std::int32_t i = objects.count - 1; i >= 0; --i) {
        const GameObject* object = objects.data[i];
        const std::string fullName = world.FullName(object);
        if (object->classObject == world.Get("Class Core.Class")) {
            EXPECT_EQ(game::FindObject(fullName), world.Find(fullName)) << fullName;
            ++checked;
        }
        if (object->classObject == world.Get("Class Core.Function")) {
            EXPECT_EQ(game::FindFunction(fullName), object) << fullName;
            ++checked;
        }
        EXPECT_EQ(game::GetFullName(object), fullName);
    }
    EXPECT_GT(checked, 0u);
    EXPECT_EQ(game::FindObject("Class Pkg0_TA.BoostBoost_0_TA"),
              world.Get("Class Pkg0_TA.BoostBoost_0_TA"));
}

}  // namespace
