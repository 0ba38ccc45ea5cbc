// Menu rank, season reward, team names and the forfeit vote, each with its switch on and off.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

#include "game/event_params.hpp"
#include "plugin_in_game.hpp"

using namespace cloak;

namespace {

using testing_support::GameObject;

class RankTeamsVoteTest : public testing_support::PluginInGame {
protected:
    RankTeamsVoteTest() { Load(); }

    // The menu rank answer after the game said yes with `result`.
    std::uint32_t RankAnswer(std::uint32_t result) {
        game::CanShowRankInfoParams block{11, result};
        plugin.ConcealMenuRank(Caller(nullptr), &block, "CanShowRankInfoForPlaylistByID");
        return block.result;
    }

    // The name the game is handed for a team of the given index.
    std::u16string TeamNameFor(std::int32_t teamIndex) {
        GameObject* team = world.Spawn("Class TAGame.Team_TA");
        Field<std::int32_t>(team, "TeamIndex") = teamIndex;
        GameObject* row = world.Spawn("Class TAGame.GFxData_TeamInfo_TA");
        Field<GameObject*>(row, "Team") = team;
        game::HandleNameChangedParams block{
            team, std::bit_cast<game::GameString>(world.MakeString(u"Owls at Night"))};
        plugin.ConcealTeamName(Caller(row), &block, "HandleNameChanged");
        return emu::World::ReadString(block.name);
    }
    std::u16string Label(std::u16string_view key) {
        return world.LocalizedText(u"UIText", u"Global", key);
    }
};

TEST_F(RankTeamsVoteTest, MenuRankAnswerLosesOnlyItsResultBit) {
    EXPECT_EQ(RankAnswer(3), 2u);
    EXPECT_EQ(RankAnswer(0), 0u);
    session->AskMenuRank(11);
    EXPECT_FALSE(session->MenuRankShown());

    plugin.settings.bShowMenuRankInfo.set(false);
    EXPECT_EQ(RankAnswer(3), 3u);
    session->AskMenuRank(11);
    EXPECT_TRUE(session->MenuRankShown());
}

TEST_F(RankTeamsVoteTest, SeasonRewardShowsAsUnranked) {
    GameObject* reward = session->SeasonReward();
    session->UpdateSeasonReward(8);
    EXPECT_EQ(Field<std::int32_t>(reward, "Level"), 0);

    plugin.settings.bShowMenuSeasonRank.set(false);
    session->UpdateSeasonReward(8);
    EXPECT_EQ(Field<std::int32_t>(reward, "Level"), 8);
}

TEST_F(RankTeamsVoteTest, TeamNamesBecomeTheGamesHomeAndAwayLabels) {
    EXPECT_EQ(TeamNameFor(0), Label(u"Home"));
    EXPECT_EQ(TeamNameFor(1), Label(u"Away"));
    EXPECT_EQ(TeamNameFor(7), Label(u"Away"));
    EXPECT_NE(Label(u"Home"), Label(u"Away"));

    session->SetTeamName(1, u"Copper Comets");
    EXPECT_EQ(Text(session->TeamRow(1), "TeamName"), Label(u"Away"));
    plugin.settings.bHideTeamNames.set(false);
    session->SetTeamName(1, u"Copper Comets");
    EXPECT_EQ(Text(session->TeamRow(1), "TeamName"), u"Copper Comets");
}

TEST_F(RankTeamsVoteTest, TeamWithoutItsTeamObjectKeepsItsName) {
    GameObject* row = world.Spawn("Class TAGame.GFxData_TeamInfo_TA");
    game::HandleNameChangedParams block{
        nullptr, std::bit_cast<game::GameString>(world.MakeString(u"Owls at Night"))};
    plugin.ConcealTeamName(Caller(row), &block, "HandleNameChanged");
    plugin.ConcealTeamName(Caller(row), nullptr, "HandleNameChanged");
    EXPECT_EQ(emu::World::ReadString(block.name), u"Owls at Night");
}

TEST_F(RankTeamsVoteTest, VoteToForfeitIsGivenNoVoteActorBeforeTheGameSeesIt) {
    session->OfferVote();
    EXPECT_EQ(Field<GameObject*>(session->Vote(), "VoteActor"), nullptr);

    plugin.settings.bShowVoteToForfeit.set(false);
    session->OfferVote();
    EXPECT_NE(Field<GameObject*>(session->Vote(), "VoteActor"), nullptr);
}

}  // namespace
