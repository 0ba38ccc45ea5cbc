// Finding the game's tables in the emulated game's memory, beside the decoys the emulator keeps
// next to them, and refusing whatever only looks like them.
#include "game/table_discovery.hpp"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
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
        Damage{"HostNamesItOtherwise",
               [](World& game) {
                   game.nameText = [](std::int32_t) { return std::string("Somebody"); };
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
               DiscoveryResult::SeveralObjectTables}),
    [](const ::testing::TestParamInfo<Damage>& damage) { return std::string(damage.param.name); });

}  // namespace
