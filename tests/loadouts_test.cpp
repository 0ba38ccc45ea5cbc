// Car loadouts: every product between the first and the last becomes its slot's default, and the
// products' online data is cleared.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "game/layout.hpp"
#include "game/script_calls.hpp"
#include "plugin_in_game.hpp"

using namespace cloak;

namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Ids = std::vector<std::int32_t>;

class LoadoutsTest : public testing_support::PluginInGame {
protected:
    LoadoutsTest() {
        Load();
        player = &session->Join(false, u"Zephyr", 0, 0);
    }

    // Product ids and online fields of loadout 0 and 1 after the game set them to these.
    void Set(const Ids& first, const Ids& second, const Ids& online = {7, 7, 7}) {
        session->SetLoadouts(*player, {first, second}, {online, online});
    }
    Ids Products(int loadout) {
        const auto& array =
            (&Field<game::ClientLoadoutData>(player->pri, "ClientLoadouts"))[loadout].products;
        return Ids(array.data, array.data + array.count);
    }
    Ids Online(int loadout) {
        const auto& array =
            (&Field<game::ClientLoadoutOnlineData>(player->pri, "ClientLoadoutsOnline"))[loadout]
                .products;
        Ids fields;
        for (std::int32_t i = 0; i < array.count; ++i) fields.push_back(array.data[i].attributeId);
        return fields;
    }

    emu::MatchPlayer* player = nullptr;
};

// The built-in catalogue: slot 1 has no default product, two slots report index 2 (376 comes
// first), no slot reports index 6.
TEST_F(LoadoutsTest, DefaultProductOfASlotFollowsTheCatalogueOrder) {
    EXPECT_EQ(plugin.DefaultProductId(0), 23);
    EXPECT_EQ(plugin.DefaultProductId(1), 0);
    EXPECT_EQ(plugin.DefaultProductId(2), 376);
    EXPECT_EQ(plugin.DefaultProductId(6), 0);
    EXPECT_EQ(plugin.DefaultProductId(7), 270);
}

TEST_F(LoadoutsTest, ProductsBetweenFirstAndLastBecomeDefaults) {
    Set({100, 101, 102, 103, 104, 105, 106, 107, 108}, {10, 11, 12, 13, 14});
    EXPECT_THAT(Products(0), ElementsAre(100, 0, 376, 32, 4284, 4285, 0, 270, 108));
    EXPECT_THAT(Products(1), ElementsAre(10, 0, 376, 32, 14));
    EXPECT_THAT(Online(0), ElementsAre(0, 0, 0));
    EXPECT_THAT(Online(1), ElementsAre(0, 0, 0));
}

TEST_F(LoadoutsTest, ShortLoadoutsKeepTheirProductsButLoseTheirOnlineData) {
    Set({10, 11}, {});
    EXPECT_THAT(Products(0), ElementsAre(10, 11));
    EXPECT_THAT(Products(1), ElementsAre());
    EXPECT_THAT(Online(0), Each(0));

    Set({10, 11, 12}, {20, 21, 22}, {});
    EXPECT_THAT(Products(0), ElementsAre(10, 0, 12));
    EXPECT_THAT(Online(1), ElementsAre());
}

TEST_F(LoadoutsTest, NothingIsWrittenWithTheSwitchOff) {
    plugin.settings.bDefaultLoadouts.set(false);
    const Ids chosen{10, 11, 12, 13, 14};
    Set(chosen, chosen);
    EXPECT_THAT(Products(0), ElementsAreArray(chosen));
    EXPECT_THAT(Online(1), ElementsAre(7, 7, 7));
}

// Two slots reporting index 2 and no gap anywhere else: the first valid slot decides index 2, and
// the later twin takes no other index's place.
TEST_F(LoadoutsTest, FirstValidSlotDecides) {
    session.emplace(world, u"NightOwl",
                    std::vector<emu::CatalogueSlot>{{true, 1, u"Body", 501},
                                                    {true, 2, u"Decal", 502},
                                                    {true, 2, u"Decal twin", 999},
                                                    {true, 3, u"Wheels", 503}});
    player = &session->Join(false, u"Zephyr", 0, 0);
    Set({100, 101, 102, 103, 104}, {});
    EXPECT_THAT(Products(0), ElementsAre(100, 501, 502, 503, 104));
}

// The game's count is believed only up to the array's capacity.
TEST_F(LoadoutsTest, CountsBeyondTheCapacityAreCutToIt) {
    plugin.settings.bDefaultLoadouts.set(false);
    Set({100, 101, 102, 103}, {10, 11, 12, 13}, {7, 7, 7, 7});
    auto& products = (&Field<game::ClientLoadoutData>(player->pri, "ClientLoadouts"))[0].products;
    auto& online =
        (&Field<game::ClientLoadoutOnlineData>(player->pri, "ClientLoadoutsOnline"))[1].products;
    products.count = 1 << 30;
    online.count = 1 << 30;

    plugin.settings.bDefaultLoadouts.set(true);
    game::NoParams block{0};
    world.Call(player->pri, "Function TAGame.PRI_TA.OnLoadoutsSetInternal", &block);
    EXPECT_THAT(Ids(products.data, products.data + products.capacity),
                ElementsAre(100, 0, 376, 103));
    for (std::int32_t i = 0; i < online.capacity; ++i) EXPECT_EQ(online.data[i].attributeId, 0);
}

}  // namespace
