// Scoreboard statistics: chosen ones show as 0; names met for the first time are learned, shown.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "game/event_params.hpp"
#include "plugin_in_game.hpp"

using namespace cloak;

namespace {

class ScoreboardTest : public testing_support::PluginInGame {
protected:
    ScoreboardTest() {
        Load();
        player = &session->Join(false, u"Zephyr", 0, 0);
    }

    // What the scoreboard shows after the game reported `value` for `stat`.
    std::int32_t Shown(std::string_view stat, std::int32_t value) {
        session->ReportStat(*player, stat, value);
        for (const auto& [name, shown] : player->stats) {
            if (name == stat) return shown;
        }
        return -1;
    }
    bool Known(std::string_view stat) {
        bool known = false;
        plugin.settings.Stats.ForEach(
            [&](const StatTable::Entry& entry, Switch&) { known = known || entry.name == stat; });
        return known;
    }

    emu::MatchPlayer* player = nullptr;
};

TEST_F(ScoreboardTest, ChosenStatisticsShowAsZeroAtEveryUpdate) {
    EXPECT_EQ(Shown("MatchScore", 385), 0);
    EXPECT_EQ(Shown("MatchScore", 0), 0);
    EXPECT_EQ(Shown("MatchGoals", 2), 0);
    plugin.settings.Stats.FindOrAdd("MatchGoals").set(false);
    EXPECT_EQ(Shown("MatchGoals", 3), 3);
    plugin.ConcealScoreStat(Caller(player->scoreboard), nullptr, "UpdatePRIData");
}

TEST_F(ScoreboardTest, NewStatisticIsLearnedUnconcealedUntilChosen) {
    EXPECT_EQ(Shown("MatchBallTouches", 31), 31);
    EXPECT_EQ(plugin.settings.Stats.size(), 6u);
    EXPECT_FALSE(plugin.settings.Stats.FindOrAdd("MatchBallTouches").get());
    plugin.settings.Stats.FindOrAdd("MatchBallTouches").set(true);
    EXPECT_EQ(Shown("MatchBallTouches", 32), 0);
}

TEST_F(ScoreboardTest, NamesCompareWithTheirCase) {
    // The game's names ignore case, so the other spelling needs a name entry of its own.
    const std::int32_t lowerCase = world.AddNameEntry(u"matchscore");
    game::UpdatePriDataParams block{{lowerCase, 0}, 0, 385};
    plugin.ConcealScoreStat(Caller(player->scoreboard), &block, "UpdatePRIData");
    EXPECT_EQ(block.value, 385);
    EXPECT_TRUE(Known("matchscore"));
}

TEST_F(ScoreboardTest, NothingHappensWithoutBothScoreboardSwitches) {
    plugin.settings.bHideScoreboardInfo.set(false);
    EXPECT_EQ(Shown("MatchScore", 385), 385);
    EXPECT_EQ(Shown("MatchAerials", 4), 4);
    EXPECT_FALSE(Known("MatchAerials"));

    plugin.settings.bHideScoreboardInfo.set(true);
    plugin.settings.bShowScores.set(false);
    EXPECT_EQ(Shown("MatchScore", 385), 385);
    EXPECT_FALSE(Known("MatchAerials"));
}

}  // namespace
