// The console commands as a streamer types or binds them, through the stand-in host's console:
// every switch by its word, every bad input, and the pause.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "plugin_in_game.hpp"
#include "sim/game/match_screens.hpp"

using namespace cloak;

namespace {

using nlohmann::json;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

class ConsoleCommandsTest : public testing_support::PluginInGame {
protected:
    ConsoleCommandsTest() { LoadPlugin(); }

    // A load, and the toast of its outcome set apart from those the commands show.
    void LoadPlugin() {
        Load();
        toastsOfLoads = host.Toasts().size();
    }

    // The console lines one typed line added, with the game thread's next tick (a resume is
    // announced there).
    std::vector<std::string> Run(const std::string& line) {
        const std::size_t before = host.ConsoleLines().size();
        host.ExecuteCommand(line);
        host.Tick();
        const std::vector<std::string> lines = host.ConsoleLines();
        return {lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()};
    }
    json StoredFile() const {
        return json::parse(
            testing_support::ReadText(folder.path() / "CloakMyIdentity" / "settings.json"));
    }
    std::vector<std::string> ToastTexts() const {
        std::vector<std::string> texts;
        const std::vector<sim::host::ShownToast> toasts = host.Toasts();
        for (std::size_t i = toastsOfLoads; i < toasts.size(); ++i) texts.push_back(toasts[i].text);
        return texts;
    }
    std::size_t toastsOfLoads = 0;
    std::u16string NameOf(const emu::MatchPlayer& player) { return Text(player.pri, "PlayerName"); }
};

// ---- What a resume cannot take back -------------------------------------------------------------

// What the game was handed unconcealed during a pause and keeps on screen (a score on the
// scoreboard, a rank answer in the menus) is named after the resume; what the resume conceals
// again (a name replicated meanwhile) is not.
struct LeftCase {
    const char* name;
    void (*duringPause)(emu::Session& session, emu::MatchPlayer& player);
    std::vector<std::string> left;
};

class LeftShowingTest : public ConsoleCommandsTest,
                        public ::testing::WithParamInterface<LeftCase> {};

INSTANTIATE_TEST_SUITE_P(
    Pauses, LeftShowingTest,
    ::testing::Values(
        LeftCase{"Name", [](emu::Session& s, emu::MatchPlayer& p) { s.Rename(p, u"Zed"); }, {}},
        LeftCase{"Score",
                 [](emu::Session& s, emu::MatchPlayer& p) { s.ReportStat(p, "MatchGoals", 2); },
                 {"scores already on the scoreboard, until they change"}},
        LeftCase{"Rank",
                 [](emu::Session& s, emu::MatchPlayer&) { s.AskMenuRank(11); },
                 {"your rank in the menus, until they show it again"}}),
    [](const ::testing::TestParamInfo<LeftCase>& left) { return left.param.name; });

TEST_P(LeftShowingTest, TheResumeNamesWhatTheGameKeeps) {
    emu::MatchPlayer& zephyr = session->Join(false, u"Zephyr", 1, 7312);
    Run("cloak_pause");
    GetParam().duringPause(*session, zephyr);
    Run("cloak_resume");
    EXPECT_EQ(plugin.LeftShowing(), GetParam().left);
    EXPECT_EQ(NameOf(zephyr).substr(0, 7), u"Player ");
    // The match's screens go with the match; the menus keep the rank they were given.
    session->EndMatch();
    std::vector<std::string> kept = GetParam().left;
    std::erase_if(kept,
                  [](const std::string& left) { return left.find("rank") == std::string::npos; });
    EXPECT_EQ(plugin.LeftShowing(), kept);
}

// ---- One switch by its word ---------------------------------------------------------------------

struct SwitchCase {
    const char* typed;  // the NAME as typed, in any letter case
    const char* key;    // where settings.json keeps it
    const char* off;    // a spelling of off
    const char* on;     // a spelling of on
    const char* shown;  // the name the answer shows
};

class SwitchCommandTest : public ConsoleCommandsTest,
                          public ::testing::WithParamInterface<SwitchCase> {};

// Each change is in memory and in the file, as a click on the page leaves them, and the answer
// is one line with the new state.
TEST_P(SwitchCommandTest, SetAndToggleChangeTheRecordAndTheFile) {
    const SwitchCase& c = GetParam();
    const json::json_pointer key(c.key);
    const auto expect = [&](const std::vector<std::string>& lines, bool on) {
        EXPECT_THAT(lines, ElementsAre(StartsWith(std::string(c.shown) + (on ? ": on" : ": off"))));
        EXPECT_EQ(StoredFile()[key], on);
        EXPECT_EQ(json(plugin.settings)[key], on);
    };
    expect(Run(std::string("cloak_set ") + c.typed + " " + c.off), false);
    expect(Run(std::string("cloak_toggle ") + c.typed), true);
    expect(Run(std::string("cloak_toggle ") + c.typed), false);
    expect(Run(std::string("cloak_set ") + c.typed + " " + c.on), true);
    EXPECT_FALSE(plugin.Paused());
    EXPECT_THAT(ToastTexts(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    EveryWord, SwitchCommandTest,
    ::testing::Values(SwitchCase{"names", "/bShowNames", "off", "on", "names"},
                      SwitchCase{"TITLES", "/bShowTitles", "0", "1", "titles"},
                      SwitchCase{"clubs", "/bShowClubs", "false", "true", "clubs"},
                      SwitchCase{"menurank", "/bShowMenuRankInfo", "OFF", "On", "menurank"},
                      SwitchCase{"seasonrank", "/bShowMenuSeasonRank", "False", "TRUE",
                                 "seasonrank"},
                      SwitchCase{"teams", "/bHideTeamNames", "off", "on", "teams"},
                      SwitchCase{"forfeit", "/bShowVoteToForfeit", "off", "on", "forfeit"},
                      SwitchCase{"recents", "/bHideRecents", "off", "on", "recents"},
                      SwitchCase{"friends", "/bHideFriendRequests", "off", "on", "friends"},
                      SwitchCase{"Scoreboard", "/bHideScoreboardInfo", "off", "on", "scoreboard"},
                      SwitchCase{"stats", "/bShowScores", "off", "on", "stats"},
                      SwitchCase{"loadouts", "/bDefaultLoadouts", "off", "on", "loadouts"},
                      SwitchCase{"MatchGoals", "/Stats/MatchGoals", "off", "on", "MatchGoals"},
                      SwitchCase{"matchsaves", "/Stats/MatchSaves", "0", "1", "MatchSaves"}));

// ---- Bad input ----------------------------------------------------------------------------------

std::string Repeated(const std::string& text, std::size_t times) {
    std::string repeated;
    for (std::size_t i = 0; i < times; ++i) repeated += text;
    return repeated;
}

class BadInputTest : public ConsoleCommandsTest,
                     public ::testing::WithParamInterface<const char*> {};

// One line that lists what the command accepts; the record, the file, the pause and the game's
// queued work stay as they were.
TEST_P(BadInputTest, OneLineListsWhatIsAcceptedAndNothingChanges) {
    const json record = json(plugin.settings);
    const std::string file =
        testing_support::ReadText(folder.path() / "CloakMyIdentity" / "settings.json");
    const std::string typed = GetParam();
    const std::string command = typed.substr(0, typed.find(' '));
    const bool takesName = command == "cloak_set" || command == "cloak_toggle";

    const std::vector<std::string> lines = Run(typed);

    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0], AllOf(StartsWith(command + ": "), HasSubstr("nothing changed")));
    if (takesName) {
        EXPECT_THAT(lines[0], AllOf(HasSubstr("names, titles, clubs, menurank, seasonrank, teams, "
                                              "forfeit, recents, friends, scoreboard, stats, "
                                              "loadouts"),
                                    HasSubstr("MatchScore, MatchGoals")));
    }
    if (command == "cloak_set") {
        EXPECT_THAT(lines[0], HasSubstr("on|off (or 1|0, true|false)"));
    }
    EXPECT_LT(lines[0].size(), 2000u);
    EXPECT_THAT(lines[0], Not(HasSubstr("\uFFFD")));
    if (typed.size() > 1000) {
        const bool accented = typed.find("\u00e9") != std::string::npos;
        EXPECT_THAT(lines[0], HasSubstr(Repeated(accented ? "\u00e9" : "z", 40) + "...\""));
    }
    EXPECT_EQ(json(plugin.settings), record);
    EXPECT_EQ(testing_support::ReadText(folder.path() / "CloakMyIdentity" / "settings.json"), file);
    EXPECT_FALSE(plugin.Paused());
    EXPECT_THAT(ToastTexts(), IsEmpty());
    EXPECT_EQ(host.State().work.Pending(), 0u);
}

// Words of a megabyte: what the line quotes of them is cut, between two characters.
const std::string kLongWord = "cloak_toggle " + Repeated("z", 1 << 20);
const std::string kLongAccentedWord = "cloak_set " + Repeated("\u00e9", 1 << 19) + " off";

INSTANTIATE_TEST_SUITE_P(Every, BadInputTest,
                         ::testing::Values("cloak_set", "cloak_set friends", "cloak_set friends 2",
                                           "cloak_set friends yes", "cloak_set nobody off",
                                           "cloak_set friends off now", "cloak_toggle nobody",
                                           "cloak_toggle friends now", "cloak_toggle Match",
                                           "cloak_status all", "cloak_pause now",
                                           "cloak_resume \"\"", kLongWord.c_str(),
                                           kLongAccentedWord.c_str()));

// ---- Statistics by name -------------------------------------------------------------------------

// A statistic is found in any letter case; one that differs from another only in case is found
// by its exact name and not mixed up with it; a NAME that fits several is none. A bad NAME's line
// lists twenty statistics, and counts those past them.
struct StatisticCase {
    const char* name;
    int added;           // statistics Stat0, Stat1, ... besides the five defaults
    const char* others;  // a statistic besides them, and one more after a blank
    std::string typed;
    ::testing::Matcher<std::string> answer;
};

void PrintTo(const StatisticCase& statistic, std::ostream* out) {
    *out << statistic.name;
}

class StatisticNameTest : public ConsoleCommandsTest,
                          public ::testing::WithParamInterface<StatisticCase> {};

TEST_P(StatisticNameTest, IsFoundInAnyCaseButNeverMixedUp) {
    const StatisticCase& statistic = GetParam();
    for (int i = 0; i < statistic.added; ++i)
        plugin.settings.Stats.FindOrAdd("Stat" + std::to_string(i));
    std::istringstream others(statistic.others);
    for (std::string name; others >> name;) plugin.settings.Stats.FindOrAdd(name);
    EXPECT_THAT(Run("cloak_toggle " + statistic.typed), ElementsAre(statistic.answer));
}

INSTANTIATE_TEST_SUITE_P(
    Names, StatisticNameTest,
    ::testing::Values(
        StatisticCase{"UpperCase", 0, "", "MATCHGOALS", StartsWith("MatchGoals: off")},
        StatisticCase{"WithAZ", 0, "MatchZeroes", "matchzeroes", StartsWith("MatchZeroes: on")},
        StatisticCase{"ExactCase", 0, "Boost boost", "boost", StartsWith("boost: on")},
        StatisticCase{"OtherExactCase", 0, "Boost boost", "Boost", StartsWith("Boost: on")},
        StatisticCase{"FitsTwo", 0, "Boost boost", "BOOST", HasSubstr("unknown NAME")},
        StatisticCase{"TwentyListed", 15, "", "nobody", ::testing::EndsWith(", Stat14")},
        StatisticCase{"OneCounted", 16, "", "nobody", ::testing::EndsWith(", Stat14, and 1 more")}),
    [](const ::testing::TestParamInfo<StatisticCase>& statistic) {
        return std::string(statistic.param.name);
    });

// ---- Status -------------------------------------------------------------------------------------

// The answer first (PAUSED before anything else), then a line a kind with its switch and what
// it means now, then the statistics (a long session meets thousands: the line counts those past
// the first twenty).
TEST_F(ConsoleCommandsTest, StatusTellsThePauseWhatShowsAndEveryKind) {
    Run("cloak_set clubs off; cloak_set MatchShots off; cloak_set scoreboard off; cloak_pause");
    for (int stat = 0; stat < 25; ++stat)
        plugin.settings.Stats.FindOrAdd("Stat" + std::to_string(stat));
    const std::vector<std::string> lines = Run("cloak_status");
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[0],
              "CloakMyIdentity: PAUSED: nothing new is concealed until concealment resumes "
              "(cloak_resume).");
    EXPECT_EQ(lines[1], "CloakMyIdentity: Shown even after a resume: titles, clubs, stats.");
    EXPECT_EQ(lines[2], "names: on - other players' names become Player 1, Player 2, ...");
    EXPECT_EQ(lines[3],
              "titles: on, but not in effect: scoreboard is off - player titles are SHOWN");
    EXPECT_EQ(lines[4], "clubs: off - club tags are SHOWN");
    EXPECT_THAT(lines[13], StartsWith("loadouts: on - "));
    EXPECT_EQ(lines[14],
              "statistics concealed: MatchScore, MatchGoals, MatchDemolishes, MatchSaves; shown: "
              "MatchShots, Stat0, Stat1, Stat2, Stat3, Stat4, Stat5, Stat6, Stat7, Stat8, Stat9, "
              "Stat10, Stat11, Stat12, Stat13, Stat14, Stat15, Stat16, Stat17, Stat18, and 6 more");
}

// Commands come with every load, also one that could not hook: then they say so, and a resume
// must not claim to conceal.
TEST_F(ConsoleCommandsTest, LoadThatCouldNotHookStillAnswersAndSaysSo) {
    session.reset();  // no game session: the host reports no controller
    LoadPlugin();
    EXPECT_THAT(Run("cloak_status"),
                ::testing::Contains("CloakMyIdentity: NOT concealing yet: waiting for the game to "
                                    "have its local player."));
    Run("cloak_pause");
    EXPECT_THAT(Run("cloak_resume"),
                ElementsAre(HasSubstr("resumed, but CloakMyIdentity is NOT concealing")));
    EXPECT_THAT(ToastTexts(), ElementsAre("Concealment PAUSED: nothing new is concealed",
                                          "Resumed, but NOT concealing: see the console"));
}

// ---- The pause ----------------------------------------------------------------------------------

// While paused no handler conceals anything new and nothing is put back; the switches and the
// file stay; a resume, or a new load, conceals again.
TEST_F(ConsoleCommandsTest, PauseConcealsNothingNewUntilResumed) {
    emu::MatchPlayer& zephyr = session->Join(false, u"Zephyr", 0, 7312);
    session->SetTeamName(1, u"Copper Comets");
    const std::string file =
        testing_support::ReadText(folder.path() / "CloakMyIdentity" / "settings.json");

    EXPECT_THAT(Run("cloak_pause"), ElementsAre(StartsWith("Concealment paused")));
    emu::MatchPlayer& kestrel = session->Join(false, u"Kestrel", 1, 8804);
    session->SetTitle(kestrel, u"Supersonic Legend");
    session->ReportStat(kestrel, "MatchGoals", 2);
    session->SetTeamName(1, u"Sundown Raiders");
    const emu::Screens paused = emu::CaptureScreens(*session);
    EXPECT_EQ(NameOf(zephyr), u"Player 1");
    EXPECT_EQ(paused.players[1].name, u"Kestrel");
    EXPECT_EQ(paused.players[1].clubId, 8804u);
    EXPECT_EQ(paused.players[1].title, u"Supersonic Legend");
    EXPECT_EQ(paused.players[1].stats.at(0).second, 2);
    EXPECT_EQ(paused.teams[1], u"Sundown Raiders");
    EXPECT_EQ(testing_support::ReadText(folder.path() / "CloakMyIdentity" / "settings.json"), file);
    EXPECT_TRUE(plugin.settings.bShowNames.get());

    // A toggle without a NAME resumes; Kestrel's goals, reported during the pause, stay on the
    // scoreboard until they change, and the resume says so.
    const std::string leftShowing = "scores already on the scoreboard, until they change";
    EXPECT_THAT(Run("cloak_toggle"),
                ElementsAre("Concealing again, but shown: " + leftShowing + "."));
    emu::MatchPlayer& lumen = session->Join(false, u"Lumen", 1, 120);
    // Kestrel, who joined while paused, is concealed at the resume.
    EXPECT_EQ(NameOf(kestrel), u"Player 2");
    EXPECT_EQ(NameOf(lumen), u"Player 3");
    EXPECT_THAT(ToastTexts(), ElementsAre("Concealment PAUSED: nothing new is concealed",
                                          "Concealing again, but shown: " + leftShowing));

    Run("cloak_toggle");
    ASSERT_TRUE(plugin.Paused());
    Load();
    EXPECT_FALSE(plugin.Paused()) << "a pause is never carried into a new load";
}

// Friend requests follow their switch on the game thread, as after a click: requests that wait
// in the game are dropped when concealment comes back, and kept while it is off.
TEST_F(ConsoleCommandsTest, FriendRequestsWaitingInTheGameFollowTheSwitchAndThePause) {
    const auto pending = [&] {
        return Field<game::GameArray<testing_support::GameObject*>>(session->NotificationManager(),
                                                                    "PendingNotifications")
            .count;
    };
    Run("cloak_set friends off");
    session->AddNotification(true, u"Kestrel_TTV");
    host.Tick();
    EXPECT_EQ(pending(), 1);
    Run("cloak_pause; cloak_set friends on");
    host.Tick();
    session->AddNotification(true, u"Lumen");
    EXPECT_EQ(pending(), 2) << "paused: nothing is dropped";
    Run("cloak_resume");
    host.Tick();
    EXPECT_EQ(pending(), 0);
}

}  // namespace
