// Finding the game's tables in the emulated game's memory, beside the decoys the emulator keeps
// next to them, and refusing whatever only looks like them; memory that changes between the
// snapshot and the reads; and the memory map's edges.
#include "game/table_discovery.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "game/memory.hpp"
#include "game/process_memory.hpp"
#include "sim/game/match_session.hpp"
#include "sim/game/world.hpp"
#include "tests/own_pages.hpp"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

using cloak::game::AddressRange;
using cloak::game::DiscoveryResult;
using testing_support::OwnPages;
using testing_support::PageAccess;
using testing_support::ProtectPages;

namespace {

// A descriptor in this program's static data, as another module of the game might hold one.
emu::GameArray<emu::GameObject*> strayDescriptor;
// A page of this program's writable image data, which the scan reads, whose protection a case
// changes: discovery must leave it as the case left it.
alignas(4096) std::uint64_t imagePage[testing_support::kTestPageSize / sizeof(std::uint64_t)];
PageAccess imagePageAccess = PageAccess::ReadWrite;

void ProtectImagePage(PageAccess access) {
    ProtectPages(imagePage, sizeof imagePage, access);
    imagePageAccess = testing_support::AccessOf(imagePage);
}

struct World {
    emu::World world;
    emu::Session session{world, u"NightOwl"};
    std::function<std::string(std::int32_t)> nameText = [this](std::int32_t index) {
        return world.NameText(index);
    };
    const emu::GameObject* known = session.LocalController();
    std::vector<emu::GameObject*> copy;  // elements of a second array, when a case makes one
    std::vector<emu::NameEntry*> names;  // elements of a second name table, when a case makes one

    // The name indices discovery can check: the known object's and its class's.
    std::vector<std::int32_t> KnownNameIndices() const {
        const emu::ObjectLayout& object = emu::Layout(known);
        return {object.nameIndex, emu::Layout(object.classObject).nameIndex};
    }
    // A name entry in game memory that is none of the table's own.
    emu::NameEntry* LooseEntry(std::u16string_view text, std::int32_t index) {
        auto* entry = static_cast<emu::NameEntry*>(world.Allocator().Allocate(
            offsetof(emu::NameLayout, text) + (text.size() + 1) * sizeof(char16_t)));
        std::copy(text.begin(), text.end(), emu::Layout(entry).text);
        emu::Layout(entry).index = index;
        return entry;
    }
    emu::NameEntry* NameEntryAt(std::int32_t index) const { return world.NameTable().data[index]; }
    std::optional<OwnPages> pages;  // the object table's elements, when a case moves them
    emu::GameArray<emu::GameObject*> unmoved{};
    std::function<void(World&)> afterSnapshot = [](World&) {};

    // The game plays on after the case: its table back where it was, every page readable.
    ~World() {
        if (pages) world.ObjectTable() = unmoved;
        ProtectImagePage(PageAccess::ReadWrite);
        cloak::game::RefuseCopiesForTesting({});
    }

    // The object table's elements moved into pages of their own, so that they end exactly where
    // the pages do; the last page is read-only, so the elements lie in two mappings back to back.
    void MoveObjectArrayIntoOwnPages() {
        emu::GameArray<emu::GameObject*>& table = world.ObjectTable();
        unmoved = table;
        const std::size_t bytes = static_cast<std::size_t>(table.count) * sizeof(void*);
        pages.emplace(bytes / testing_support::kTestPageSize + 2);
        auto* moved = reinterpret_cast<emu::GameObject**>(pages->end() - bytes);
        std::copy_n(table.data, table.count, moved);
        table = {moved, table.count, table.count};
        ProtectPages(pages->end() - testing_support::kTestPageSize, testing_support::kTestPageSize,
                     PageAccess::ReadOnly);
    }
};

struct Damage {
    const char* name;
    std::function<void(World&)> apply;
    DiscoveryResult expected;
};

void PrintTo(const Damage& damage, std::ostream* out) {
    *out << damage.name;
}

class TableDiscoveryTest : public ::testing::TestWithParam<Damage> {};

TEST_P(TableDiscoveryTest, FindsTheGamesTablesOrSaysWhyNot) {
    strayDescriptor = {};  // what an earlier case left
    World game;
    GetParam().apply(game);
    const std::array<const cloak::game::GameObject*, 1> known{game.known};
    const cloak::game::ProcessMemory memory = cloak::game::SnapshotProcessMemory();
    game.afterSnapshot(game);
    const cloak::game::FoundTables found =
        cloak::game::DiscoverTables(known, game.nameText, memory);
    EXPECT_EQ(found.result, GetParam().expected);
    EXPECT_EQ(testing_support::AccessOf(imagePage), imagePageAccess);
    if (GetParam().expected == DiscoveryResult::Found) {
        EXPECT_EQ(found.objectTable, game.world.ObjectTableAddress());
        EXPECT_EQ(found.nameTable, game.world.NameTableAddress());
    }
}

std::int32_t IndexOf(const emu::GameObject* object) {
    return emu::Layout(object).index;
}

INSTANTIATE_TEST_SUITE_P(
    Memory, TableDiscoveryTest,
    ::testing::Values(
        Damage{"Intact", [](World&) {}, DiscoveryResult::Found},
        // Another descriptor of the same array, with fewer elements: one table, the newer count.
        Damage{"CopyOfTheDescriptor",
               [](World& game) {
                   strayDescriptor = game.world.ObjectTable();
                   --strayDescriptor.count;
               },
               DiscoveryResult::Found},
        Damage{"NoReadableObject",
               [](World& game) { game.known = emu::PointerAt<emu::GameObject>(0x1000); },
               DiscoveryResult::NoKnownObject},
        // Only the decoys reach past the controller: none of them may be taken for the table.
        Damage{"TableTooShort",
               [](World& game) { game.world.ObjectTable().count = IndexOf(game.known); },
               DiscoveryResult::NoObjectTable},
        // A table that reaches just past the newest known object and name is long enough.
        Damage{"TablesJustLongEnough",
               [](World& game) {
                   game.world.ObjectTable().count = IndexOf(game.known) + 1;
                   const std::vector<std::int32_t> names = game.KnownNameIndices();
                   game.world.NameTable().count = *std::max_element(names.begin(), names.end()) + 1;
               },
               DiscoveryResult::Found},
        Damage{"HostNamesItOtherwise",
               [](World& game) {
                   game.nameText = [](std::int32_t) { return std::string("Somebody"); };
               },
               DiscoveryResult::NoNameTable},
        Damage{"HostNamesOnlyTheStartOfIt",
               [](World& game) {
                   game.nameText = [&world = game.world](std::int32_t index) {
                       std::string text = world.NameText(index);
                       if (!text.empty()) text.pop_back();
                       return text;
                   };
               },
               DiscoveryResult::NoNameTable},
        Damage{"NameHashEmpty",
               [](World& game) {
                   std::fill_n(game.world.NameHashBuckets(), emu::kNameHashBuckets, nullptr);
               },
               DiscoveryResult::NoNameTable},
        // A second array that holds the known objects where the game's does: which is the game's?
        Damage{"SecondArrayAlike",
               [](World& game) {
                   emu::GameArray<emu::GameObject*>& table = game.world.ObjectTable();
                   game.copy.assign(table.data, table.data + table.count);
                   strayDescriptor = {game.copy.data(), table.count, table.count};
               },
               DiscoveryResult::SeveralObjectTables},
        // A second array that holds the known object where the game's does, but not its class.
        Damage{"SecondArrayWithoutTheClass",
               [](World& game) {
                   emu::GameArray<emu::GameObject*>& table = game.world.ObjectTable();
                   game.copy.assign(table.data, table.data + table.count);
                   game.copy[IndexOf(emu::Layout(game.known).classObject)] = nullptr;
                   strayDescriptor = {game.copy.data(), table.count, table.count};
               },
               DiscoveryResult::Found},
        // Beside the game's name table, other arrays whose own name hash leads to the game's
        // entries of "None" and "Class" (at their indices in the game's table): one holding at
        // the known name indices copies of their entries that carry other indices, one holding
        // the game's entries at the known name indices and nothing elsewhere. Neither is a table
        // of those names.
        Damage{"StrayNamesCarryOtherIndices",
               [](World& game) {
                   const emu::GameArray<emu::NameEntry*>& table = game.world.NameTable();
                   game.names.assign(table.data, table.data + table.count);
                   for (const std::int32_t index : game.KnownNameIndices()) {
                       game.names[index] =
                           game.LooseEntry(emu::Layout(game.NameEntryAt(index)).text, index + 1);
                   }
                   game.world.PlaceStrayNameTable(game.names);
               },
               DiscoveryResult::Found},
        Damage{"StrayNamesOnlyAtTheKnownIndices",
               [](World& game) {
                   game.names.assign(game.world.NameTable().count, nullptr);
                   for (const std::int32_t index : game.KnownNameIndices()) {
                       game.names[index] = game.NameEntryAt(index);
                   }
                   game.world.PlaceStrayNameTable(game.names);
               },
               DiscoveryResult::Found},
        // The same array under a name hash of its own: which is the game's?
        Damage{"SecondNameTableAlike",
               [](World& game) {
                   const emu::GameArray<emu::NameEntry*>& table = game.world.NameTable();
                   game.names.assign(table.data, table.data + table.count);
                   game.world.PlaceStrayNameTable(game.names);
               },
               DiscoveryResult::SeveralNameTables},
        // "None" and "Class" behind more links of their buckets than the table has entries: a
        // bucket that long is no bucket of this table (a loop, say), and its walk ends before.
        Damage{"NameHashBucketsLongerThanTheTable",
               [](World& game) {
                   for (const std::u16string_view text :
                        {std::u16string_view(u"None"), std::u16string_view(u"Class")}) {
                       emu::NameEntry*& bucket =
                           game.world.NameHashBuckets()[emu::World::HashName(text) & 0xFFFF];
                       for (std::int32_t i = 0; i < game.world.NameTable().count; ++i) {
                           emu::NameEntry* filler = game.LooseEntry(u"Filler", 0);
                           emu::Layout(filler).hashNext = bucket;
                           bucket = filler;
                       }
                   }
               },
               DiscoveryResult::NoNameTable},
        Damage{"ArrayAcrossTwoMappingsToTheirEnd",
               [](World& game) { game.MoveObjectArrayIntoOwnPages(); }, DiscoveryResult::Found},
        // Memory gone or made no-access between the snapshot and the reads (another thread of the
        // game, anti-tamper software): no fault, and a load that says its reads failed.
        Damage{"ArrayUnmappedAfterTheSnapshot",
               [](World& game) {
                   game.MoveObjectArrayIntoOwnPages();
                   game.afterSnapshot = [](World& changed) { changed.pages->Release(); };
               },
               DiscoveryResult::MemoryUnreadable},
        Damage{"ArrayNoAccessAfterTheSnapshot",
               [](World& game) {
                   game.MoveObjectArrayIntoOwnPages();
                   game.afterSnapshot = [](World& changed) {
                       ProtectPages(
                           changed.pages->begin(),
                           static_cast<std::size_t>(changed.pages->end() - changed.pages->begin()),
                           PageAccess::None);
                   };
               },
               DiscoveryResult::MemoryUnreadable},
        Damage{"ImagePageNoAccessAfterTheSnapshot",
               [](World& game) {
                   game.afterSnapshot = [](World&) { ProtectImagePage(PageAccess::None); };
               },
               DiscoveryResult::MemoryUnreadable},
        // A guard page is never read: the read would take its guard away from the game.
        Damage{"ImagePageGuardedAfterTheSnapshot",
               [](World& game) {
                   game.afterSnapshot = [](World&) { ProtectImagePage(PageAccess::Guard); };
               },
               DiscoveryResult::MemoryUnreadable},
        // Memory the system refuses to copy, as it may for a page that went since it was looked
        // up.
        Damage{"SystemRefusesAnImagePage",
               [](World& game) {
                   game.afterSnapshot = [](World&) {
                       cloak::game::RefuseCopiesForTesting(
                           {cloak::game::AddressOf(imagePage),
                            cloak::game::AddressOf(imagePage) + sizeof imagePage});
                   };
               },
               DiscoveryResult::MemoryUnreadable},
        // The snapshot sees pages as they are now, whatever their image asked for.
        Damage{"ImagePageNoAccessBeforeTheSnapshot",
               [](World&) { ProtectImagePage(PageAccess::None); }, DiscoveryResult::Found}),
    [](const ::testing::TestParamInfo<Damage>& damage) { return std::string(damage.param.name); });

// Ranges as a snapshot may list them: out of order, back to back, one inside another.
struct MapCase {
    const char* name;
    std::vector<AddressRange> readable;
    AddressRange read;
    bool expected;
};

void PrintTo(const MapCase& edge, std::ostream* out) {
    *out << edge.name;
}

class MemoryMapTest : public ::testing::TestWithParam<MapCase> {};

TEST_P(MemoryMapTest, ContainsExactlyWhatTheRangesCover) {
    const cloak::game::MemoryMap map(GetParam().readable);
    EXPECT_EQ(map.Contains(GetParam().read.begin, GetParam().read.end - GetParam().read.begin),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, MemoryMapTest,
    ::testing::Values(
        MapCase{"BackToBack", {{0x3000, 0x4000}, {0x1000, 0x3000}}, {0x2000, 0x4000}, true},
        MapCase{"NestedKeepsTheOuter",
                {{0x1000, 0x8000}, {0x2000, 0x3000}, {0x8000, 0x9000}},
                {0x4000, 0x9000},
                true},
        MapCase{"EndingAtTheEnd", {{0x1000, 0x2000}}, {0x1ff8, 0x2000}, true},
        MapCase{"OneBytePastTheEnd", {{0x1000, 0x2000}}, {0x1ff8, 0x2001}, false},
        MapCase{"AcrossAGap", {{0x1000, 0x2000}, {0x2001, 0x3000}}, {0x1ff8, 0x2008}, false}),
    [](const ::testing::TestParamInfo<MapCase>& edge) { return std::string(edge.param.name); });

// The search copies the memory a chunk at a time: a pair is found wherever it lies, also across
// the end of a chunk (a pair straddles each power of two, whatever the chunk's size) and at the
// end of the range.
TEST(WordPairSearchTest, FindsPairsAcrossChunksAndAtTheEnd) {
    static constexpr std::uint64_t kMarker = 0x5A5A5A5A5A5A5A5Au;
    constexpr std::size_t kBytes = std::size_t{4} << 20;
    OwnPages pages(kBytes / testing_support::kTestPageSize);
    auto* words = reinterpret_cast<std::uint64_t*>(pages.begin());
    std::vector<std::size_t> placed;
    const auto place = [&](std::size_t word) {
        placed.push_back(word);
        words[word] = kMarker;
        words[word + 1] = word;
    };
    for (std::size_t boundary = 64; boundary < kBytes; boundary *= 2) place(boundary / 8 - 1);
    place(kBytes / 8 - 2);
    const std::uint64_t begin = cloak::game::AddressOf(pages.begin());
    cloak::game::ForeignMemory memory({{}, {{begin, begin + kBytes}}, {}});
    std::vector<std::size_t> found;
    memory.SearchWordPairs(
        {begin, begin + kBytes},
        [](const std::uint64_t* word, const std::uint64_t* end, const void*) {
            return std::find(word, end, kMarker);
        },
        nullptr,
        [&](std::uint64_t address, std::span<const std::uint64_t, 2> pair) {
            found.push_back((address - begin) / 8);
            EXPECT_EQ(pair[1], (address - begin) / 8);
        });
    EXPECT_EQ(found, placed);
    EXPECT_FALSE(memory.ChangedSinceSnapshot());
}

// Pages made no-access or guard pages are left out of the snapshot's readable memory; the same
// pages readable are in it.
TEST(SnapshotTest, LeavesOutPagesThatMustNotBeRead) {
    for (const PageAccess access : {PageAccess::ReadWrite, PageAccess::None, PageAccess::Guard}) {
        OwnPages page(1);
        ProtectPages(page.begin(), testing_support::kTestPageSize, access);
        const cloak::game::MemoryMap map(cloak::game::SnapshotProcessMemory().readable);
        EXPECT_EQ(map.Contains(cloak::game::AddressOf(page.begin()), 1),
                  access == PageAccess::ReadWrite)
            << static_cast<int>(access);
    }
}

// The scan looks for descriptors the game writes: only the parts of an image it may write are its
// data (here: this program's writable page, not its read-only data).
const std::uint64_t readOnlyData[2] = {0x5EED, 0xC0FFEE};

TEST(ImageDataTest, OnlyWritableParts) {
    const cloak::game::ProcessMemory memory = cloak::game::SnapshotProcessMemory();
    const auto inImageData = [&memory](const void* pointer) {
        const std::uint64_t address = cloak::game::AddressOf(pointer);
        return std::any_of(memory.imageData.begin(), memory.imageData.end(),
                           [address](const AddressRange& range) {
                               return range.begin <= address && address < range.end;
                           });
    };
    EXPECT_TRUE(inImageData(imagePage));
    EXPECT_FALSE(inImageData(readOnlyData));
#if defined(_WIN32)
    constexpr DWORD kWritable =
        PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    for (const AddressRange& range : memory.imageData) {
        for (std::uint64_t address = range.begin; address < range.end;) {
            MEMORY_BASIC_INFORMATION region;
            ASSERT_NE(VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof region),
                      0u);
            EXPECT_NE(region.Protect & kWritable, 0u) << std::hex << address;
            address = reinterpret_cast<std::uint64_t>(region.BaseAddress) + region.RegionSize;
        }
    }
#endif
}

}  // namespace
