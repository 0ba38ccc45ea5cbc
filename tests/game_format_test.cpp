// The game's memory format, pinned by its literal numbers. The emulator and the plugin each
// declare the format on their own; here both are held to the game's values, read and written by
// hand at literal addresses, so that a slip in either declaration fails even when the other one
// makes the same slip.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "game/hash_tables.hpp"
#include "game/lookup.hpp"
#include "game/name_registry.hpp"
#include "game/script_calls.hpp"
#include "game_world_fixture.hpp"

using namespace cloak;

namespace {

using game::GameObject;

template <class T>
T Read(std::uint64_t address) {
    T value;
    std::memcpy(&value, reinterpret_cast<const void*>(static_cast<std::uintptr_t>(address)),
                sizeof value);
    return value;
}

template <class T>
void Write(std::uint64_t address, T value) {
    std::memcpy(reinterpret_cast<void*>(static_cast<std::uintptr_t>(address)), &value,
                sizeof value);
}

std::uint64_t Address(const void* pointer) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

std::u16string TextAt(std::uint64_t address) {
    std::u16string text;
    for (char16_t unit = 0; (unit = Read<char16_t>(address)) != 0; address += 2) text += unit;
    return text;
}

class GameFormatTest : public GameWorldTest {
protected:
    // The plugin's indices and caches outlive a world; this one starts with none.
    GameFormatTest() { game::ForgetLookupsForTesting(); }

    std::uint64_t NameBuckets() const { return world.NameTableAddress() - 0x1000A8; }
    std::uint64_t ObjectBuckets() const { return world.NameTableAddress() - 0x80078; }
};

// Name hash: 65,536 bucket pointers from the name table's address minus 0x1000A8; entries hold
// their index at 0x08, the next entry of the bucket at 0x10 and their text at 0x18.
TEST_F(GameFormatTest, NameHashBucketsLie0x1000A8BelowTheNameTable) {
    // "Class" hashes to 0x0FF683D4: its bucket lies above the first 32,768.
    bool found = false;
    for (std::uint64_t entry = Read<std::uint64_t>(NameBuckets() + 8 * 0x83D4); entry != 0;
         entry = Read<std::uint64_t>(entry + 0x10)) {
        if (TextAt(entry + 0x18) != u"Class") continue;
        found = true;
        EXPECT_EQ(Read<std::int32_t>(entry + 0x08), world.Name("Class"));
    }
    EXPECT_TRUE(found);

    // "ClientLoadoutData" hashes to 0x3919175E: the plugin looks in bucket 0x175E and nowhere else.
    const std::uint64_t bucket = NameBuckets() + 8 * 0x175E;
    const auto head = Read<std::uint64_t>(bucket);
    const std::uint64_t entry = Address(world.NameTable().data[world.Name("ClientLoadoutData")]);
    EXPECT_EQ(Address(game::FindNameEntry(u"ClientLoadoutData")), entry);
    Write<std::uint64_t>(bucket, 0);
    EXPECT_EQ(game::FindNameEntry(u"ClientLoadoutData"), nullptr);
    Write(bucket, head);
    EXPECT_EQ(Address(game::FindNameEntry(u"clientloadoutdata")), entry);
}

// Object hash: 32,768 bucket pointers from the name table's address minus 0x80078; the bucket of
// (name index, name number) is their XOR AND 0x7FFF; objects link through 0x08.
TEST_F(GameFormatTest, ObjectHashBucketsLie0x80078BelowTheNameTable) {
    GameObject* loadout = world.Get("ScriptStruct TAGame.PRI_TA.ClientLoadoutData");
    const auto nameIndex = Read<std::int32_t>(Address(loadout) + 0x48);
    const std::uint64_t bucket =
        ObjectBuckets() + 8 * (static_cast<std::uint32_t>(nameIndex) & 0x7FFF);
    bool linked = false;
    for (std::uint64_t object = Read<std::uint64_t>(bucket); object != 0;
         object = Read<std::uint64_t>(object + 0x08)) {
        linked = linked || object == Address(loadout);
    }
    EXPECT_TRUE(linked);
    // The name number takes part in the key, and the bucket keeps the low 15 bits.
    GameObject* numbered =
        world.CreateObject(world.Get("Class Core.Object"), "Numbered", nullptr, 0, 0x8000 | 5);
    const auto numberedIndex = static_cast<std::uint32_t>(world.Name("Numbered"));
    EXPECT_EQ(Read<std::uint64_t>(ObjectBuckets() + 8 * ((numberedIndex ^ 5) & 0x7FFF)),
              Address(numbered));

    // The plugin finds the struct of a registered size through this bucket.
    game::NameRegistry::StructSizes.clear();
    game::NameRegistry::SetStructSize(u"ClientLoadoutData", 16);
    EXPECT_TRUE(game::ResolveNameRegistries());
    const auto head = Read<std::uint64_t>(bucket);
    Write<std::uint64_t>(bucket, 0);
    EXPECT_FALSE(game::ResolveNameRegistries());
    Write(bucket, head);
}

// ProcessEvent is slot 67 (counted from 0) of the table of virtual operations at offset 0.
struct SlotCall {
    const void* object;
    const void* function;
};
SlotCall lastSlotCall;
void RecordSlotCall(GameObject* object, GameObject* function, void*) {
    lastSlotCall = {object, function};
}

TEST_F(GameFormatTest, ProcessEventIsSlot67) {
    GameObject* manager = world.Spawn("Class TAGame.GFxData_NotificationManager_TA");
    const std::uint64_t slot = Read<std::uint64_t>(Address(manager)) + 67 * 8;
    EXPECT_EQ(Read<std::uint64_t>(slot),
              reinterpret_cast<std::uintptr_t>(&emu::World::GameProcessEvent));

    Write(slot, reinterpret_cast<std::uintptr_t>(&RecordSlotCall));
    game::RefreshNotifications(manager);
    Write(slot, reinterpret_cast<std::uintptr_t>(&emu::World::GameProcessEvent));
    EXPECT_EQ(lastSlotCall.object, manager);
    EXPECT_EQ(lastSlotCall.function,
              world.Get("Function TAGame.GFxData_NotificationManager_TA.RefreshNotifications"));
}

// Bit 9 (0x200) of the flags at 0x10 marks a class-default object; no other bit does.
TEST_F(GameFormatTest, ClassDefaultObjectsCarryFlag0x200) {
    GameObject* cls = world.Get("Class TAGame.GFxData_NotificationManager_TA");
    EXPECT_EQ(Read<std::uint64_t>(Address(world.DefaultObject(cls)) + 0x10), 0x200u);
    GameObject* first = world.Spawn(cls);
    GameObject* second = world.Spawn(cls);
    game::ClassCache cache("Class TAGame.GFxData_NotificationManager_TA");
    EXPECT_EQ(game::FindInstanceOf(cache), first);
    Write<std::uint64_t>(Address(first) + 0x10, 0xFFFFFFFFFFFFFDFFu);
    EXPECT_EQ(game::FindInstanceOf(cache), first);
    Write<std::uint64_t>(Address(first) + 0x10, 0x200);
    EXPECT_EQ(game::FindInstanceOf(cache), second);
}

// The object table's slot 28 holds "Class Core.Function"; names hold up to 1,023 units before
// their terminating zero; no object lies at or above 0x7FFFFFFFFFFF.
TEST_F(GameFormatTest, FunctionClassSlotNameLengthAndAddressLimit) {
    const auto objects = Read<std::uint64_t>(world.ObjectTableAddress());
    EXPECT_EQ(world.FullName(reinterpret_cast<GameObject*>(Read<std::uintptr_t>(objects + 28 * 8))),
              "Class Core.Function");

    const std::string longest(1023, 'n');
    GameObject* named = world.CreateObject(world.Get("Class Core.Object"), longest, nullptr);
    EXPECT_EQ(game::GetObjectName(named), longest);

    for (const std::uint64_t outside : {0x800000000000u, 0xFFFF800000001000u}) {
        EXPECT_FALSE(game::IsValidObject(reinterpret_cast<const void*>(outside))) << outside;
    }
}

}  // namespace
