// Finding the game's tables in the emulated game's memory, beside the decoys the emulator keeps
// next to them, and refusing whatever only looks like them.
#include "game/table_discovery.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "game/memory.hpp"
#include "sim/game/match_session.hpp"
#include "sim/game/world.hpp"

using cloak::game::DiscoveryResult;

namespace {

// A descriptor in this program's static data, as another module of the game might hold one.
emu::GameArray<emu::GameObject*> strayDescriptor;

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
    const cloak::game::FoundTables found =
        cloak::game::DiscoverTables(known, game.nameText, cloak::game::SnapshotProcessMemory());
    EXPECT_EQ(found.result, GetParam().expected);
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
               DiscoveryResult::NoNameTable}),
    [](const ::testing::TestParamInfo<Damage>& damage) { return std::string(damage.param.name); });

}  // namespace
