// The game's name hash and name table as the plugin reads them: CRC table, NameHash, the
// name-hash buckets, FindNameEntry and GetObjectName.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>

#include "game/hash_tables.hpp"
#include "game/lookup.hpp"
#include "game_world_fixture.hpp"

using namespace cloak;

namespace {

using NameTest = GameWorldTest;

TEST(NameHash, CrcTableIsTheMsbFirstTableOfTheGamePolynomial) {
    EXPECT_EQ(game::CrcTable[0], 0u);
    EXPECT_EQ(game::CrcTable[1], 0x04C11DB7u);
    EXPECT_EQ(game::CrcTable[128], 0x690CE0EEu);
    EXPECT_EQ(game::CrcTable[255], 0xB1F740B4u);
}

TEST(NameHash, KnownValuesAndCaseFolding) {
    EXPECT_EQ(game::NameHash(u"Class"), 0x0FF683D4u);
    EXPECT_EQ(game::NameHash(u"ClientLoadoutData"), 0x3919175Eu);
    EXPECT_EQ(game::NameHash(u"clientloadoutdata"), 0x3919175Eu);
    EXPECT_EQ(game::NameHash(u""), 0u);
}

TEST(NameHash, PluginAndGameAgreeOnEveryFoldingRule) {
    // The special units of the game's folding, their neighbours and units beyond Latin-1.
    for (char16_t unit :
         {u'a', u'z', u'A', u'`', u'{', char16_t(140), char16_t(156), char16_t(159), char16_t(208),
          char16_t(223), char16_t(224), char16_t(240), char16_t(247), char16_t(254), char16_t(255),
          char16_t(336), char16_t(337), char16_t(0x0430), char16_t(0xFFFF)}) {
        const char16_t text[] = {u'N', unit, u'x', 0};
        EXPECT_EQ(game::NameHash(text), emu::World::HashName(text)) << int(unit);
    }
}

TEST_F(NameTest, NamesLieInTheBucketOfTheLow16BitsOfTheirHash) {
    const std::int32_t classIndex = world.Name("Class");
    bool found = false;
    for (const game::NameEntry* entry = world.NameHashBuckets()[0x83D4]; entry != nullptr;
         entry = entry->hashNext) {
        found = found || entry->index == classIndex;
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(game::AddressOf(world.NameHashBuckets()),
              world.NameTableAddress() - game::kNameHashDistance);
    EXPECT_EQ(game::AddressOf(world.ObjectHashBuckets()),
              world.NameTableAddress() - game::kObjectHashDistance);
}

TEST_F(NameTest, FindNameEntryFoldsOnlyAsciiLetters) {
    const game::NameEntry* entry = game::FindNameEntry(u"clientloadoutdata");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->index, world.Name("ClientLoadoutData"));
    EXPECT_EQ(std::u16string(entry->text), u"ClientLoadoutData");

    EXPECT_EQ(game::FindNameEntry(u"ClientLoadoutDat"), nullptr);
    EXPECT_EQ(game::FindNameEntry(u"ClientLoadoutDataX"), nullptr);
    // A longer name that starts with the wanted one and lies in its bucket, ahead of it.
    const std::int32_t longer = world.AddNameEntry(u"ClientLoadoutDataOAT");
    ASSERT_EQ(world.NameHashBuckets()[0x175E]->index, longer);
    EXPECT_EQ(game::FindNameEntry(u"clientloadoutdata"), entry);
    EXPECT_EQ(game::FindNameEntry(u"ClientLoadoutDataOAT")->index, longer);
    // Same bucket (the hash folds Latin-1 letters), but the comparison does not.
    world.AddNameEntry(u"\u00C4rger");
    EXPECT_NE(game::FindNameEntry(u"\u00C4RGER"), nullptr);
    EXPECT_EQ(game::FindNameEntry(u"\u00E4rger"), nullptr);
}

// No name table, or one lying so low that a hash table below it would begin at or below address
// 0: the hash lookups find nothing, and read nothing.
TEST_F(NameTest, NameTableTooLowForItsHashTablesFindsNothing) {
    const std::int32_t structName = world.Name("ClientLoadoutData");
    const game::GameObject& scriptStruct = *world.Get("Class Core.ScriptStruct");
    for (const std::uint64_t address : {0x0, 0x80078, 0x1000A8}) {
        game::NameTableAddress = address;
        EXPECT_EQ(game::FindNameEntry(u"ClientLoadoutData"), nullptr) << address;
        if (address <= 0x80078) {
            EXPECT_EQ(game::FindInObjectHash(structName, 0, scriptStruct), nullptr) << address;
        }
    }
}

TEST_F(NameTest, ObjectNamesAreNarrowedAndUnreadableOnesAreUnknown) {
    game::GameObject* pri = world.Spawn("Class TAGame.PRI_TA");
    EXPECT_EQ(game::GetObjectName(pri), "PRI_TA");  // the name number is not appended

    pri->nameIndex = world.AddNameEntry(u"\u0141ukasz");  // U+0141 keeps its low byte 0x41
    EXPECT_EQ(game::GetObjectName(pri), "Aukasz");

    EXPECT_EQ(game::GetObjectName(nullptr), "UnknownName");
    pri->nameIndex = world.NameTable().count;
    EXPECT_EQ(game::GetObjectName(pri), "UnknownName");
    pri->nameIndex = -1;
    EXPECT_EQ(game::GetObjectName(pri), "UnknownName");
    pri->nameIndex = world.AddNameEntry(u"Emptied");
    world.SetNameSlot(pri->nameIndex, nullptr);
    EXPECT_EQ(game::GetObjectName(pri), "UnknownName");
}

TEST_F(NameTest, UnterminatedNameTextIsReadUpToTheEntryCapacity) {
    game::GameObject* pri = world.Spawn("Class TAGame.PRI_TA");
    auto* entry =
        static_cast<game::NameEntry*>(world.Allocator().Allocate(sizeof(game::NameEntry)));
    std::fill(std::begin(entry->text), std::end(entry->text), u'x');
    pri->nameIndex = world.AddNameEntry(u"Replaced");
    world.SetNameSlot(pri->nameIndex, entry);
    EXPECT_EQ(game::GetObjectName(pri), std::string(game::kNameTextCapacity - 1, 'x'));
}

// A damaged name hash: the walk of a bucket ends at a link that is no name entry, or after as many
// links as the table has entries (a loop), instead of crashing or hanging.
TEST_F(NameTest, DamagedNameHashChainsFindNothing) {
    const std::int32_t classIndex = world.Name("Class");
    game::NameEntry* classEntry = world.NameTable().data[classIndex];
    game::NameEntry*& missingBucket =
        world.NameHashBuckets()[game::NameHash(u"NoSuchName") & 0xFFFF];
    ASSERT_EQ(game::FindNameEntry(u"NoSuchName"), nullptr);

    missingBucket = classEntry;
    classEntry->hashNext = classEntry;  // a loop
    EXPECT_EQ(game::FindNameEntry(u"NoSuchName"), nullptr);
    EXPECT_EQ(game::FindNameEntry(u"Class"), classEntry);

    for (const std::uint64_t link :
         {std::uint64_t{0x800000000000}, std::uint64_t{0xFFFFFFFFFFFFFFF8},
          game::AddressOf(classEntry) + 4}) {
        classEntry->hashNext = game::PointerAt<game::NameEntry>(link);
        EXPECT_EQ(game::FindNameEntry(u"NoSuchName"), nullptr) << std::hex << link;
        missingBucket = game::PointerAt<game::NameEntry>(link);
        EXPECT_EQ(game::FindNameEntry(u"NoSuchName"), nullptr) << std::hex << link;
        missingBucket = classEntry;
    }
    // Memory that holds no entry of the table: its own index says so.
    auto* stray =
        static_cast<game::NameEntry*>(world.Allocator().Allocate(sizeof(game::NameEntry)));
    stray->index = world.NameTable().count;
    classEntry->hashNext = stray;
    EXPECT_EQ(game::FindNameEntry(u"NoSuchName"), nullptr);
    stray->index = -1;
    EXPECT_EQ(game::FindNameEntry(u"NoSuchName"), nullptr);

    // No bucket holds more links than the table has entries: "Class" behind that many is not
    // reached, one link earlier it is.
    game::NameEntry*& classBucket = world.NameHashBuckets()[0x83D4];
    classBucket = classEntry;
    classEntry->hashNext = nullptr;
    for (std::int32_t i = 0; i < world.NameTable().count; ++i) {
        auto* filler = static_cast<game::NameEntry*>(
            world.Allocator().Allocate(offsetof(game::NameEntry, text) + sizeof(u"Filler")));
        std::copy_n(u"Filler", 7, filler->text);
        filler->index = 0;
        filler->hashNext = classBucket;
        classBucket = filler;
    }
    EXPECT_EQ(game::FindNameEntry(u"Class"), nullptr);
    classBucket = classBucket->hashNext;
    EXPECT_EQ(game::FindNameEntry(u"Class"), classEntry);
}

}  // namespace
