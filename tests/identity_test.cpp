// Player identity in a match: numbered names, the local player's own name, club ids and titles.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "game/layout.hpp"
#include "plugin_in_game.hpp"

using namespace cloak;

namespace {

using emu::MatchPlayer;
using testing_support::GameObject;

class IdentityTest : public testing_support::PluginInGame {
protected:
    IdentityTest() { Load(); }

    MatchPlayer& Join(std::u16string_view name, bool local = false) {
        return session->Join(local, name, 0, 7312);
    }
    std::u16string NameOf(const MatchPlayer& player) { return Text(player.pri, "PlayerName"); }
    std::uint64_t ClubOf(const MatchPlayer& player) {
        return Field<std::uint64_t>(player.pri, "ClubID");
    }
};

TEST_F(IdentityTest, OtherPlayersAreNumberedInReplicationOrderAndAgainInEveryMatch) {
    MatchPlayer& maverick = Join(u"Maverick");
    MatchPlayer& local = Join(u"", true);
    MatchPlayer& zephyr = Join(u"Zephyr");
    EXPECT_EQ(NameOf(maverick), u"Player 1");
    EXPECT_EQ(NameOf(zephyr), u"Player 2");
    // The local player's record keeps the online name, which the load made "Player 0", and its
    // own replications hand out no number.
    EXPECT_EQ(NameOf(local), u"Player 0");
    session->Replicate(local, "PlayerName");
    EXPECT_EQ(plugin.playerCounter, 2);
    // A second name replication draws a new number; the old one is not reused.
    session->Rename(maverick, u"Maverick2");
    EXPECT_EQ(NameOf(maverick), u"Player 3");
    EXPECT_EQ(ClubOf(local), 0u);
    EXPECT_EQ(ClubOf(zephyr), 0u);

    // The name buffers the plugin stored were handed out by the game.
    EXPECT_TRUE(
        world.Allocator().IsGameBuffer(Field<game::GameString>(maverick.pri, "PlayerName").data));

    session->EndMatch();
    EXPECT_EQ(plugin.playerCounter, 0);
    EXPECT_EQ(NameOf(Join(u"Lumen")), u"Player 1");
}

TEST_F(IdentityTest, FreePlayRenamesNobodyAndKeepsClubs) {
    session->EnterFreePlay();
    MatchPlayer& lumen = Join(u"Lumen");
    EXPECT_EQ(NameOf(lumen), u"Lumen");
    EXPECT_EQ(ClubOf(lumen), 7312u);
    EXPECT_EQ(plugin.playerCounter, 0);
}

TEST_F(IdentityTest, NamesAndClubsFollowTheirOwnSwitchesOnly) {
    plugin.settings.bHideScoreboardInfo.set(false);
    plugin.settings.bShowClubs.set(false);
    MatchPlayer& kestrel = Join(u"Kestrel");
    EXPECT_EQ(NameOf(kestrel), u"Player 1");
    EXPECT_EQ(ClubOf(kestrel), 7312u);

    plugin.settings.bShowNames.set(false);
    plugin.settings.bShowClubs.set(true);
    MatchPlayer& orbit = Join(u"Orbit");
    EXPECT_EQ(NameOf(orbit), u"Orbit");
    EXPECT_EQ(ClubOf(orbit), 0u);
    // Nothing is put back when a switch goes off.
    EXPECT_EQ(NameOf(kestrel), u"Player 1");
}

TEST_F(IdentityTest, TitlesAreBlankedOnlyWithTheScoreboardSwitch) {
    MatchPlayer& zephyr = Join(u"Zephyr");
    session->SetTitle(zephyr, u"Rocket Sovereign");
    const auto& title = Field<game::GameString>(zephyr.scoreboard, "XPTitle");
    EXPECT_EQ(title.count, 17);
    EXPECT_EQ(std::u16string(title.data, 17), std::u16string(17, u'\0'));

    plugin.settings.bHideScoreboardInfo.set(false);
    session->SetTitle(zephyr, u"Striker");
    EXPECT_EQ(Text(zephyr.scoreboard, "XPTitle"), u"Striker");
}

TEST_F(IdentityTest, TitleIsClearedWithinItsBufferOnly) {
    GameObject* row = world.Spawn("Class TAGame.GFxData_PRI_TA");
    auto& title = Field<game::GameString>(row, "XPTitle");
    const auto conceal = [&] { plugin.ConcealTitle(Caller(row), nullptr, "HandleTitleChanged"); };

    std::array<char16_t, 4> buffer{u'a', u'b', u'c', u'd'};
    title = {buffer.data(), 0, 4};
    conceal();
    EXPECT_EQ(buffer[0], u'a');
    // A count beyond the capacity stops at the capacity (the buffer holds no more).
    title = {buffer.data(), 9, 3};
    conceal();
    EXPECT_EQ(std::u16string(buffer.data(), 4), std::u16string(u"\0\0\0d", 4));
    title = {nullptr, 5, 5};
    conceal();
    EXPECT_EQ(title.count, 5);
}

TEST_F(IdentityTest, LocalNameIsSetAgainAfterEveryRpcBatchWhateverTheSwitches) {
    nlohmann::json allOff = plugin.settings;
    for (auto& [key, value] : allOff.items()) {
        if (value.is_boolean()) value = false;
    }
    from_json(allOff, plugin.settings);
    world.SetString(session->OnlinePlayer(), "PlayerName", u"NightOwl");
    session->SendRpcBatch();
    EXPECT_EQ(Text(session->OnlinePlayer(), "PlayerName"), u"Player 0");
}

}  // namespace
