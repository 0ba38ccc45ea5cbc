// Objects as the plugin finds them: validity, class tests, full names, the two full-name indices
// with their winner rules, FindInstanceOf, and every lookup over a hostile object table.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "game/class_caches.hpp"
#include "game/full_name_index.hpp"
#include "game/lookup.hpp"
#include "game_world_fixture.hpp"

using namespace cloak;

namespace {

using game::GameObject;
using LookupTest = GameWorldTest;

TEST_F(LookupTest, FullNamesJoinOutersBehindTheClassName) {
    EXPECT_EQ(game::GetFullName(world.Get("Class TAGame.PRI_TA")), "Class TAGame.PRI_TA");
    EXPECT_EQ(game::GetFullName(world.Get("Function TAGame.PRI_TA.ReplicatedEvent")),
              "Function TAGame.PRI_TA.ReplicatedEvent");
    EXPECT_EQ(game::GetFullName(world.Get("ScriptStruct TAGame.PRI_TA.ClientLoadoutData")),
              "ScriptStruct TAGame.PRI_TA.ClientLoadoutData");
    // A package has no outer: class name, blank, own name.
    EXPECT_EQ(game::GetFullName(world.Package("TAGame")), "Package TAGame");
    EXPECT_EQ(game::GetFullName(nullptr), "InvalidObject");
}

TEST_F(LookupTest, FullNameOfAnObjectWithACorruptOuterChainIsInvalid) {
    GameObject* pri = world.Spawn("Class TAGame.PRI_TA");
    GameObject* transient = pri->outer;
    transient->outer = pri;  // a cycle
    EXPECT_EQ(game::GetFullName(pri), "InvalidObject");
    transient->outer = game::PointerAt<GameObject>(game::AddressOf(pri) + 4);
    EXPECT_EQ(game::GetFullName(pri), "InvalidObject");
}

TEST_F(LookupTest, IsValidObjectAtItsBoundaries) {
    GameObject* pri = world.Spawn("Class TAGame.PRI_TA");
    EXPECT_TRUE(game::IsValidObject(pri));
    EXPECT_FALSE(game::IsValidObject(nullptr));
    EXPECT_FALSE(game::IsValidObject(game::PointerAt<void>(game::AddressOf(pri) + 4)));
    for (std::uint64_t address : {0x7FFFFFFFFFFFull, 0x800000000000ull, 0xFFFFFFFFFFFFFFF8ull}) {
        EXPECT_FALSE(game::IsValidObject(game::PointerAt<void>(address))) << std::hex << address;
    }
    const std::int32_t ownIndex = pri->index;
    pri->index = world.ObjectTable().count - 1;
    EXPECT_TRUE(game::IsValidObject(pri));
    pri->index = world.ObjectTable().count;
    EXPECT_FALSE(game::IsValidObject(pri));
    pri->index = -1;
    EXPECT_FALSE(game::IsValidObject(pri));
    pri->index = ownIndex;
    pri->classObject = nullptr;
    EXPECT_FALSE(game::IsValidObject(pri));
}

TEST_F(LookupTest, IsAWalksTheSuperClassChain) {
    GameObject* pri = world.Spawn("Class TAGame.PRI_TA");
    EXPECT_TRUE(game::IsA(pri, world.Get("Class TAGame.PRI_TA")));
    EXPECT_TRUE(game::IsA(pri, world.Get("Class Engine.PlayerReplicationInfo")));
    EXPECT_TRUE(game::IsA(pri, world.Get("Class Core.Object")));
    EXPECT_FALSE(game::IsA(pri, world.Get("Class Engine.TeamInfo")));
    EXPECT_FALSE(game::IsA(world.Spawn("Class Engine.PlayerReplicationInfo"),
                           world.Get("Class TAGame.PRI_TA")));
    EXPECT_FALSE(game::IsA(nullptr, world.Get("Class Core.Object")));

    // A super-class chain that loops is corrupt: the walk ends instead of going round for ever.
    GameObject* record = world.Get("Class Engine.PlayerReplicationInfo");
    record->superStruct = world.Get("Class TAGame.PRI_TA");
    EXPECT_TRUE(game::IsA(pri, record));
    EXPECT_FALSE(game::IsA(pri, world.Get("Class Core.Object")));
}

TEST_F(LookupTest, FindObjectIndexesClassesAndLetsTheLatestTwinWin) {
    GameObject* first = world.DefineClass("TAGame.Twin_TA", "Class Core.Object");
    GameObject* second = world.DefineClass("TAGame.Twin_TA", "Class Core.Object");
    // Names that differ only in their number share one full name.
    GameObject* cls = world.Get("Class Core.Class");
    world.CreateObject(cls, "Numbered_TA", world.Package("TAGame"), 0, 1);
    GameObject* numberedLater =
        world.CreateObject(cls, "Numbered_TA", world.Package("TAGame"), 0, 2);
    world.Spawn("Class TAGame.PRI_TA");

    EXPECT_EQ(game::FindObject("Class TAGame.PRI_TA"), world.Get("Class TAGame.PRI_TA"));
    EXPECT_NE(first, second);
    EXPECT_EQ(game::FindObject("Class TAGame.Twin_TA"), second);
    EXPECT_EQ(game::FindObject("Class TAGame.Numbered_TA"), numberedLater);
    // Instances, functions and packages are no classes and lie in none.
    EXPECT_EQ(game::FindObject("PRI_TA Transient.PRI_TA"), nullptr);
    EXPECT_EQ(game::FindObject("Function TAGame.PRI_TA.ReplicatedEvent"), nullptr);
    EXPECT_EQ(game::FindObject("Package TAGame"), nullptr);
    // Keys compare exactly.
    EXPECT_EQ(game::FindObject("class TAGame.PRI_TA"), nullptr);
    EXPECT_EQ(game::FindObject("Class TAGame.PRI_TA "), nullptr);
}

// An object is filed when "Class" appears anywhere in its class's name or in the name of one of
// its class's outers, case-sensitively; the class of a class, "Class", is only the usual case.
TEST_F(LookupTest, FindObjectQualifiesByClassInTheClassNameOrItsOuters) {
    const auto objectOfNewClass = [this](std::string_view classPath, std::string_view name) {
        GameObject* cls = world.DefineClass(classPath, "Class Core.Object");
        return world.CreateObject(cls, name, world.Package("TAGame"));
    };
    GameObject* inName = objectOfNewClass("TAGame.MetaClassKind_TA", "InName");
    GameObject* inOuter = objectOfNewClass("ClassHolder.Plain_TA", "InOuter");
    objectOfNewClass("TAGame.Plain_TA", "Neither");
    objectOfNewClass("lowerclass.Lower_TA", "LowerCase");

    EXPECT_EQ(game::FindObject("MetaClassKind_TA TAGame.InName"), inName);
    EXPECT_EQ(game::FindObject("Plain_TA TAGame.InOuter"), inOuter);
    EXPECT_EQ(game::FindObject("Plain_TA TAGame.Neither"), nullptr);
    EXPECT_EQ(game::FindObject("Lower_TA TAGame.LowerCase"), nullptr);
}

TEST_F(LookupTest, FindFunctionLetsTheEarliestTwinWin) {
    GameObject* pri = world.Get("Class TAGame.PRI_TA");
    GameObject* original = world.Get("Function TAGame.PRI_TA.ReplicatedEvent");
    world.DefineFunction(pri, "ReplicatedEvent");
    EXPECT_EQ(game::FindFunction("Function TAGame.PRI_TA.ReplicatedEvent"), original);
    EXPECT_EQ(game::FindFunction("Function Core.Object.Localize"),
              world.Get("Function Core.Object.Localize"));
    EXPECT_EQ(game::FindFunction("Class TAGame.PRI_TA"), nullptr);
}

// Each index holds the table up to its last object, which is the newest, and nothing newer.
TEST_F(LookupTest, IndicesAreBuiltOnceUpToTheLastObjectAndMissLaterClasses) {
    GameObject* pri = world.Get("Class TAGame.PRI_TA");
    GameObject* lastClass =
        world.CreateObject(world.Get("Class Core.Class"), "Last_TA", world.Package("TAGame"));
    ASSERT_EQ(lastClass->index, world.ObjectTable().count - 1);
    EXPECT_EQ(game::FindObject("Class TAGame.Last_TA"), lastClass);
    GameObject* lastFunction = world.DefineFunction(pri, "LastOfAll");
    ASSERT_EQ(lastFunction->index, world.ObjectTable().count - 1);
    EXPECT_EQ(game::FindFunction("Function TAGame.PRI_TA.LastOfAll"), lastFunction);

    GameObject* late = world.DefineClass("TAGame.Late_TA", "Class Core.Object");
    world.DefineFunction(late, "Hello");
    EXPECT_EQ(game::FindObject("Class TAGame.Late_TA"), nullptr);
    EXPECT_EQ(game::FindFunction("Function TAGame.Late_TA.Hello"), nullptr);
}

TEST_F(LookupTest, AnEmptyTableAtFirstUseLeavesBothIndicesEmptyForGood) {
    game::ObjectTableDescriptor empty{};
    game::ObjectTableAddress = game::AddressOf(&empty);
    EXPECT_EQ(game::FindObject("Class Core.Object"), nullptr);
    EXPECT_EQ(game::FindFunction("Function Core.Object.Localize"), nullptr);
    UseWorldTables();
    EXPECT_EQ(game::FindObject("Class Core.Object"), nullptr);
    EXPECT_EQ(game::FindFunction("Function Core.Object.Localize"), nullptr);
}

TEST_F(LookupTest, TablesNotHandedOverReadAsEmpty) {
    game::ObjectTableAddress = 0;
    game::NameTableAddress = 0;
    EXPECT_FALSE(game::IsValidObject(world.Get("Class Core.Object")));
    EXPECT_EQ(game::FindObject("Class Core.Object"), nullptr);
    EXPECT_EQ(game::GetObjectName(world.Get("Class Core.Object")), "UnknownName");
    EXPECT_EQ(game::FindFunction("Function Core.Object.Localize"), nullptr);
    // Lookups made before the tables were known (a host that hands none over, and a load that
    // found none yet) leave nothing behind: once known, the tables are read.
    UseWorldTables();
    EXPECT_EQ(game::FindObject("Class Core.Object"), world.Get("Class Core.Object"));
    EXPECT_EQ(game::FindFunction("Function Core.Object.Localize"),
              world.Get("Function Core.Object.Localize"));
}

TEST_F(LookupTest, FindInstanceOfSkipsDefaultObjectsAndFindsDerivedClasses) {
    game::ClassCache notification{"Class TAGame.Notification_TA"};
    // Only class-default objects so far.
    EXPECT_EQ(game::FindInstanceOf(notification), nullptr);
    EXPECT_NE(world.DefaultObject(world.Get("Class TAGame.Notification_TA")), nullptr);

    GameObject* request = world.Spawn("Class TAGame.FriendRequestNotification_TA");
    world.Spawn("Class TAGame.Notification_TA");
    EXPECT_EQ(game::FindInstanceOf(notification), request);

    game::ClassCache missing{"Class TAGame.NoSuchClass_TA"};
    EXPECT_EQ(game::FindInstanceOf(missing), nullptr);
}

// Invalid slots and destroyed objects (flag bit 29, waiting for the collector) are no live
// instances; a pointer is live only while its own slot of the table holds it.
TEST_F(LookupTest, InstanceWalksSkipInvalidSlotsAndDestroyedObjects) {
    GameObject* stale = world.Spawn("Class TAGame.GFxData_NotificationManager_TA");
    GameObject* manager = world.Spawn("Class TAGame.GFxData_NotificationManager_TA");
    GameObject* destroyed = world.Spawn("Class TAGame.GFxData_NotificationManager_TA");
    GameObject* moved = world.Spawn("Class TAGame.GFxData_NotificationManager_TA");
    stale->index = -3;
    destroyed->flags |= 0x20000000;
    world.SetObjectSlot(moved->index, 0);
    EXPECT_EQ(game::FindInstanceOf(game::NotificationManagerClass), manager);
    EXPECT_EQ(game::LiveInstancesOf(game::NotificationManagerClass),
              std::vector<GameObject*>{manager});
    EXPECT_TRUE(game::IsLiveObject(manager));
    EXPECT_FALSE(game::IsLiveObject(destroyed));
    EXPECT_FALSE(game::IsLiveObject(moved));
}

// A name longer than a storage block gets a block of its own; the names after it go on into
// fresh blocks (deeply nested outers with long names make such a name).
TEST(FullNameIndexTest, ANameLongerThanABlockKeepsEveryNameApart) {
    game::FullNameIndex index;
    std::vector<GameObject> objects(2001);
    const std::string huge(game::FullNameIndex::kBlockSize + 100, 'x');
    index.File("Class Core.Before", &objects[0], false);
    index.File(huge, &objects[1], false);
    const auto name = [](std::size_t i) { return "Class TAGame.After" + std::to_string(i); };
    for (std::size_t i = 2; i < objects.size(); ++i) index.File(name(i), &objects[i], false);

    EXPECT_EQ(index.Find("Class Core.Before"), &objects[0]);
    EXPECT_EQ(index.Find(huge), &objects[1]);
    for (std::size_t i = 2; i < objects.size(); ++i) {
        ASSERT_EQ(index.Find(name(i)), &objects[i]) << i;
    }
}

// The slot table grows before it is full: at each count of names around its sizes (1,024 slots,
// then 2,048, grown at three quarters), every name is found and a miss ends. In a full table a
// miss would probe for ever.
TEST(FullNameIndexTest, AMissEndsAtEveryCountAroundTheTableSizes) {
    std::vector<GameObject> objects(2049);
    const auto name = [](std::size_t i) { return "Class TAGame.Filed" + std::to_string(i); };
    for (const std::size_t count :
         {767, 768, 769, 1023, 1024, 1025, 1535, 1536, 2047, 2048, 2049}) {
        SCOPED_TRACE(count);
        game::FullNameIndex index;
        for (std::size_t i = 0; i < count; ++i) index.File(name(i), &objects[i], false);
        EXPECT_EQ(index.Find("Class TAGame.NeverFiled"), nullptr);
        EXPECT_EQ(index.Find(name(count)), nullptr);
        EXPECT_EQ(index.Find(name(0)), &objects[0]);
        EXPECT_EQ(index.Find(name(count - 1)), &objects[count - 1]);
    }
}

// A table holding every kind of slot the game's table may hold after objects died or when the
// address is wrong.
class HostileTableTest : public GameWorldTest {
protected:
    HostileTableTest() {
        GameObject* pri = world.Spawn("Class TAGame.PRI_TA");
        const std::uint64_t priAddress = game::AddressOf(pri);
        world.AppendObjectSlot(0);
        world.AppendObjectSlot(priAddress + 4);
        world.AppendObjectSlot(priAddress + 1);
        world.AppendObjectSlot(0x800000000000ull);
        world.AppendObjectSlot(0xFFFFFFFFFFFFFFF8ull);
        // Inside game memory but no object: reads as zero.
        world.AppendObjectSlot(game::AddressOf(world.Allocator().Allocate(0x400)));

        GameObject* classClass = world.Get("Class Core.Class");
        Add(classClass)->index = 1 << 30;
        Add(classClass)->index = -7;
        Add(classClass)->classObject = nullptr;
        Add(classClass)->nameIndex = world.NameTable().count + 5;
        Add(classClass)->nameIndex = -2;
        GameObject* unnamed = Add(classClass);
        unnamed->nameIndex = world.AddNameEntry(u"Vanished_TA");
        world.SetNameSlot(unnamed->nameIndex, nullptr);
        // Classes that are not objects of the table.
        Add(classClass)->classObject = game::PointerAt<GameObject>(priAddress + 4);
        Add(classClass)->classObject = game::PointerAt<GameObject>(0x900000000000ull);
        Add(world.Get("Class Core.Function"))->outer = game::PointerAt<GameObject>(priAddress + 2);
        // Classes named alike.
        Add(classClass);
        Add(classClass);
        // A destroyed object: the game empties its slot.
        GameObject* gone = world.Spawn("Class TAGame.GFxData_NotificationManager_TA");
        world.SetObjectSlot(gone->index, 0);
    }

    GameObject* Add(GameObject* cls) {
        return world.CreateObject(cls, "Hostile_TA", world.Package("TAGame"));
    }
};

TEST_F(HostileTableTest, EveryLookupSurvives) {
    EXPECT_NE(game::FindObject("Class Core.Object"), nullptr);
    EXPECT_NE(game::FindObject("Class TAGame.Hostile_TA"), nullptr);
    EXPECT_EQ(game::FindObject("InvalidObject"), nullptr);
    EXPECT_NE(game::FindFunction("Function Core.Object.Localize"), nullptr);
    EXPECT_EQ(game::FindFunction("InvalidObject"), nullptr);
    EXPECT_EQ(game::FindInstanceOf(game::NotificationManagerClass), nullptr);
    EXPECT_NE(game::FindInstanceOf(game::PriClass), nullptr);

    const auto& table = world.ObjectTable();
    for (std::int32_t i = 0; i < table.count; ++i) {
        const GameObject* slot = table.data[i];
        if (!game::IsValidObject(slot)) continue;
        EXPECT_FALSE(game::GetFullName(slot).empty());
        game::IsA(slot, world.Get("Class Core.Object"));
    }
}

}  // namespace
