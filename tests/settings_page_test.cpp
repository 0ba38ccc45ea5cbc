// The settings page as the host draws it: layout, greying, saves and queued work.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "page_fixture.hpp"
#include "tests/held_file.hpp"

using namespace cloak;

namespace {

using page_test::PageTest;
using sim::host::DrawnPage;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

const std::vector<std::string> kDefaultLabels = {
    "Hide Menu Rank",
    "Hide Season Reward Rank (Shows as unranked)",
    "Hide vote to forfeit prompt",
    "Hide Recents",
    "Hide Friend Requests",
    "Hide scoreboard info",
    "Hide Player Scores",
    "Hide MatchScore",
    "Hide MatchGoals",
    "Hide MatchDemolishes",
    "Hide MatchSaves",
    "Hide MatchShots",
    "Hide Titles",
    "Hide ClubTags",
    "Hide Player Names",
    "Default Car Loadouts",
    "Hide team names",
};

const std::vector<std::string> kScoreboardGroup = {
    "Hide Player Scores",   "Hide MatchScore", "Hide MatchGoals",
    "Hide MatchDemolishes", "Hide MatchSaves", "Hide MatchShots",
    "Hide Titles",          "Hide ClubTags",   "Hide Player Names",
};

nlohmann::json FileWithStats(nlohmann::json stats) {
    nlohmann::json file = nlohmann::json::object();
    for (const char* key :
         {"bShowMenuRankInfo", "bShowMenuSeasonRank", "bShowVoteToForfeit", "bHideScoreboardInfo",
          "bHideTeamNames", "bHideFriendRequests", "bDefaultLoadouts", "bHideRecents",
          "bShowTitles", "bShowClubs", "bShowNames", "bShowScores"}) {
        file[key] = true;
    }
    file["Stats"] = std::move(stats);
    return file;
}

float BoxX(const DrawnPage& page, const std::string& label) {
    const auto* checkbox = page.Find(label);
    return checkbox != nullptr ? checkbox->box.x0 : -1.0f;
}

TEST_F(PageTest, DefaultsShowEveryCheckboxTickedAndNothingGreyed) {
    Open();
    const DrawnPage page = page_->Frame();

    EXPECT_THAT(page.Labels(), ElementsAreArray(kDefaultLabels));
    for (const auto& checkbox : page.checkboxes) {
        EXPECT_TRUE(checkbox.ticked) << checkbox.label;
        EXPECT_FLOAT_EQ(checkbox.alpha, 1.0f) << checkbox.label;
    }

    // The group under the master switch is indented once, the statistics twice; the loadout
    // switch is back at the page's margin.
    const float margin = BoxX(page, "Hide scoreboard info");
    EXPECT_FLOAT_EQ(BoxX(page, "Hide Menu Rank"), margin);
    EXPECT_FLOAT_EQ(BoxX(page, "Hide Player Scores"), margin + 24);
    EXPECT_FLOAT_EQ(BoxX(page, "Hide MatchShots"), margin + 48);
    EXPECT_FLOAT_EQ(BoxX(page, "Hide Player Names"), margin + 24);
    EXPECT_FLOAT_EQ(BoxX(page, "Default Car Loadouts"), margin);
}

TEST_F(PageTest, HeadingsAreTitlesBetweenTwoRulesOnTheirLine) {
    Open();
    const DrawnPage page = page_->Frame();

    std::vector<std::string> texts;
    for (const auto& text : page.texts) {
        if (!page.Find(text.text)) texts.push_back(text.text);
    }
    // The lines after them, at the page's foot, say whether anything is concealed.
    ASSERT_GT(texts.size(), 7u);
    texts.resize(7);
    EXPECT_THAT(texts, ElementsAre("CloakMyIdentity", "Rank",
                                   "These can also be found in Settings/Gameplay!", "Forfeits",
                                   "FriendsList", "Scoreboard/Players", "Teams"));

    ASSERT_EQ(page.rules.size(), 10u);
    std::size_t rule = 0;
    for (const auto& text : page.texts) {
        if (text.text != "Rank" && text.text != "Forfeits" && text.text != "FriendsList" &&
            text.text != "Scoreboard/Players" && text.text != "Teams") {
            continue;
        }
        const auto& lead = page.rules[rule++];
        const auto& tail = page.rules[rule++];
        SCOPED_TRACE(text.text);
        EXPECT_FLOAT_EQ(lead.x2 - lead.x1, 10);
        EXPECT_LT(lead.x2, text.rect.x0);
        EXPECT_GT(tail.x1, text.rect.x1);
        EXPECT_GE(tail.x2, page.window.x1);  // runs on to the window's edge, clipped there
        EXPECT_EQ(lead.y, tail.y);
        EXPECT_NEAR(lead.y, text.rect.CentreY(), 1.0f);
    }
}

TEST_F(PageTest, StatisticsLoadedFromAFileFollowItsKeyOrder) {
    StoreFile(FileWithStats({{"MatchShots", true},
                             {"MatchScore", false},
                             {"MatchGoals", true},
                             {"MatchSaves", true},
                             {"MatchDemolishes", true}}));
    Open();
    const DrawnPage page = page_->Frame();

    EXPECT_THAT(page.LabelsBetween("Hide Player Scores", "Hide Titles"),
                ElementsAre("Hide MatchDemolishes", "Hide MatchGoals", "Hide MatchSaves",
                            "Hide MatchScore", "Hide MatchShots"));
    EXPECT_FALSE(page.Find("Hide MatchScore")->ticked);
    EXPECT_TRUE(page.Find("Hide MatchGoals")->ticked);
}

// A statistic named like a fixed row reads the same as that row, yet each checkbox answers for
// its own switch.
TEST_F(PageTest, StatisticNamedLikeAFixedRowKeepsBothCheckboxesWorking) {
    StoreFile(FileWithStats({{"Titles", true}, {"ClubTags", true}}));
    Open();
    const auto clickNth = [&](const std::string& label, std::size_t nth) {
        const DrawnPage drawn = page_->Frame();
        std::vector<const sim::host::DrawnCheckbox*> found;
        for (const auto& checkbox : drawn.checkboxes) {
            if (checkbox.label == label) found.push_back(&checkbox);
        }
        EXPECT_EQ(found.size(), 2u) << label;
        if (found.size() <= nth) return DrawnPage{};
        const float x = found[nth]->box.CentreX();
        const float y = found[nth]->box.CentreY();
        return page_->Frames({{x, y, false}, {x, y, true}, {x, y, false}});
    };
    const auto statistic = [&](const std::string& name) {
        bool on = false;
        plugin_->settings.Stats.ForEach([&](const StatTable::Entry& entry, Switch& concealed) {
            if (entry.name == name) on = concealed.get();
        });
        return on;
    };

    // The statistics come first: the second checkbox of each label is the fixed row.
    clickNth("Hide Titles", 1);
    EXPECT_FALSE(plugin_->settings.bShowTitles.get());
    EXPECT_TRUE(statistic("Titles"));
    clickNth("Hide ClubTags", 1);
    EXPECT_FALSE(plugin_->settings.bShowClubs.get());
    const DrawnPage page = clickNth("Hide Titles", 0);
    EXPECT_FALSE(statistic("Titles"));
    EXPECT_TRUE(statistic("ClubTags"));
    EXPECT_FALSE(plugin_->settings.bShowTitles.get());
    EXPECT_EQ(StoredFile()["Stats"]["Titles"], false);
    EXPECT_EQ(StoredFile()["bShowTitles"], false);
    EXPECT_EQ(saves_->Take(), 3);
    EXPECT_THAT(page.LabelsBetween("Hide Player Scores", "Hide Player Names"),
                ElementsAre("Hide ClubTags", "Hide Titles", "Hide Titles", "Hide ClubTags"));
}

TEST_F(PageTest, EmptyStatisticsDrawNothingUnderPlayerScores) {
    StoreFile(FileWithStats(nlohmann::json::object()));
    Open();
    const DrawnPage page = page_->Frame();

    std::vector<std::string> texts;
    for (const auto& text : page.texts) texts.push_back(text.text);
    const auto scores = std::find(texts.begin(), texts.end(), "Hide Player Scores");
    ASSERT_NE(scores, texts.end());
    EXPECT_EQ(*(scores + 1), "Hide Titles");
    EXPECT_EQ(page.Find("Hide Titles")->box.y0 - page.Find("Hide Player Scores")->box.y0,
              page.Find("Hide ClubTags")->box.y0 - page.Find("Hide Titles")->box.y0);
}

TEST_F(PageTest, UntickingScoreboardInfoGreysItsGroupInTheSameFrameAndBlocksClicks) {
    Open();
    page_->Frame();
    DrawnPage page = page_->Click("Hide scoreboard info");

    EXPECT_EQ(saves_->Take(), 1);
    EXPECT_FALSE(plugin_->settings.bHideScoreboardInfo.get());
    EXPECT_FALSE(StoredFile()["bHideScoreboardInfo"].get<bool>());
    for (const auto& label : kScoreboardGroup) {
        ASSERT_NE(page.Find(label), nullptr) << label;
        EXPECT_NEAR(page.Find(label)->alpha, 0.5f, 1.0f / 255) << label;
    }
    for (const auto& label : {"Hide scoreboard info", "Default Car Loadouts", "Hide team names",
                              "Hide Friend Requests"}) {
        EXPECT_FLOAT_EQ(page.Find(label)->alpha, 1.0f) << label;
    }

    for (const auto& label : {"Hide Titles", "Hide Player Scores", "Hide MatchGoals"}) {
        page = page_->Click(label);
        EXPECT_TRUE(page.Find(label)->ticked) << label;
    }
    EXPECT_EQ(saves_->Take(), 0);
    EXPECT_TRUE(plugin_->settings.bShowTitles.get());
    EXPECT_TRUE(plugin_->settings.bShowScores.get());

    page = page_->Click("Default Car Loadouts");
    EXPECT_EQ(saves_->Take(), 1);
    EXPECT_FALSE(plugin_->settings.bDefaultLoadouts.get());
    EXPECT_FALSE(page.Find("Default Car Loadouts")->ticked);

    // Ticking the master switch again brings the group back in the same frame.
    page = page_->Click("Hide scoreboard info");
    EXPECT_FLOAT_EQ(page.Find("Hide Titles")->alpha, 1.0f);
    page = page_->Click("Hide Titles");
    EXPECT_FALSE(plugin_->settings.bShowTitles.get());
    EXPECT_EQ(saves_->Take(), 2);
}

TEST_F(PageTest, UntickingPlayerScoresHidesTheStatisticsAndKeepsTheirValues) {
    Open();
    page_->Frame();
    page_->Click("Hide MatchSaves");
    DrawnPage page = page_->Click("Hide Player Scores");

    EXPECT_THAT(page.LabelsBetween("Hide Player Scores", "Hide Titles"), IsEmpty());
    EXPECT_EQ(plugin_->settings.Stats.size(), 5u);
    EXPECT_FALSE(plugin_->settings.Stats.FindOrAdd("MatchSaves").get());
    EXPECT_TRUE(plugin_->settings.Stats.FindOrAdd("MatchGoals").get());
    EXPECT_EQ(StoredFile()["Stats"].size(), 5u);

    page = page_->Click("Hide Player Scores");
    EXPECT_EQ(page.LabelsBetween("Hide Player Scores", "Hide Titles").size(), 5u);
    EXPECT_FALSE(page.Find("Hide MatchSaves")->ticked);
    EXPECT_TRUE(page.Find("Hide MatchGoals")->ticked);
}

// Every checkbox, clicked off and on again: one save per click, the record and the file follow
// it, and only the friend-request switch hands work to the game thread.
// A switch turned on hands the game thread a sweep of what is on screen; friend requests also
// the follow of the requests queued in the game.
TEST_F(PageTest, EachClickSavesOnceAndQueuesItsGameThreadWork) {
    Open();
    page_->Frame();
    EXPECT_EQ(saves_->Take(), 0);

    for (const auto& label : kDefaultLabels) {
        SCOPED_TRACE(label);
        for (const bool expected : {false, true}) {
            const DrawnPage page = page_->Click(label);
            EXPECT_EQ(page.Find(label)->ticked, expected);
            EXPECT_EQ(saves_->Take(), 1);
            const bool friends = label == "Hide Friend Requests";
            // A statistic's value already shown cannot be swept: its boxes queue nothing.
            const bool statistic = std::string_view(label).starts_with("Hide Match");
            // The actions read the switch when they run (their effect: console_commands_test).
            EXPECT_EQ(TakeQueued().size(),
                      (expected && !statistic ? 1u : 0u) + (friends ? 1u : 0u));
            if (friends) {
                EXPECT_EQ(StoredFile()["bHideFriendRequests"].get<bool>(), expected);
            }
        }
    }
}

TEST_F(PageTest, FramesWithoutAClickWriteAndQueueNothing) {
    Open();
    const DrawnPage first = page_->Frame();
    const auto& box = first.Find("Hide Friend Requests")->box;
    const auto& other = first.Find("Hide Recents")->box;
    // Hovering, and a press that is released elsewhere, are no clicks.
    page_->Frames({{box.CentreX(), box.CentreY(), false},
                   {box.CentreX(), box.CentreY(), false},
                   {box.CentreX(), box.CentreY(), true},
                   {other.CentreX(), other.CentreY(), true},
                   {other.CentreX(), other.CentreY(), false},
                   {},
                   {}});

    EXPECT_EQ(saves_->Take(), 0);
    EXPECT_EQ(host_->State().work.Pending(), 0u);
    EXPECT_TRUE(plugin_->settings.bHideFriendRequests.get());
    EXPECT_TRUE(plugin_->settings.bHideRecents.get());
}

TEST_F(PageTest, StatisticMetByTheScoreboardShowsLastUntickedAndIsSavedWithTheNextChange) {
    Open();
    plugin_->settings.Stats.FindOrAdd("MatchAssists");
    const DrawnPage page = page_->Frame();

    const auto stats = page.LabelsBetween("Hide Player Scores", "Hide Titles");
    ASSERT_EQ(stats.size(), 6u);
    EXPECT_EQ(stats.back(), "Hide MatchAssists");
    EXPECT_FALSE(page.Find("Hide MatchAssists")->ticked);
    EXPECT_FALSE(StoredFile()["Stats"].contains("MatchAssists"));

    page_->Click("Hide Titles");
    EXPECT_EQ(StoredFile()["Stats"]["MatchAssists"], false);
    page_->Click("Hide MatchAssists");
    EXPECT_EQ(StoredFile()["Stats"]["MatchAssists"], true);
    EXPECT_EQ(saves_->Take(), 2);
}

TEST_F(PageTest, SaveThatCannotCreateTheFolderKeepsTheChangeAndDrawingGoesOn) {
    Open();
    page_->Frame();
    // A file where a parent folder should be: creating the folder fails even for root.
    std::ofstream(dataFolder_ / "blocker") << "x";
    plugin_->SettingsFolder = dataFolder_ / "blocker" / "CloakMyIdentity";
    const auto linesBefore = host_->ConsoleLines().size();

    const DrawnPage page = page_->Click("Hide Titles");

    EXPECT_FALSE(plugin_->settings.bShowTitles.get());
    EXPECT_FALSE(page.Find("Hide Titles")->ticked);
    const auto lines = host_->ConsoleLines();
    ASSERT_EQ(lines.size(), linesBefore + 1);
    EXPECT_THAT(lines.back(), ::testing::HasSubstr(PathText(plugin_->SettingsFolder)));
    EXPECT_THAT(page_->Frame().Labels(), ElementsAreArray(kDefaultLabels));
}

#if defined(_WIN32)
// A program holding settings.json open without delete sharing (a virus scanner, a backup tool)
// keeps Windows from replacing it: the click still counts, one line names the file, the old file
// stays whole, and the next click saves both changes.
TEST_F(PageTest, ClickWhileAnotherProgramHoldsTheFileKeepsTheChangeAndTheOldFile) {
    Open();
    page_->Frame();
    const std::string before = testing_support::ReadText(SettingsFile());
    const auto linesBefore = host_->ConsoleLines().size();
    {
        testing_support::HeldFile reader(SettingsFile());
        ASSERT_TRUE(reader.Holding());
        EXPECT_FALSE(page_->Click("Hide Titles").Find("Hide Titles")->ticked);
    }

    EXPECT_FALSE(plugin_->settings.bShowTitles.get());
    EXPECT_EQ(testing_support::ReadText(SettingsFile()), before);
    const auto lines = host_->ConsoleLines();
    ASSERT_EQ(lines.size(), linesBefore + 1);
    EXPECT_THAT(lines.back(), ::testing::HasSubstr(testing_support::Utf8Text(SettingsFile())));
    EXPECT_EQ(saves_->Take(), 0);

    page_->Click("Hide ClubTags");
    EXPECT_EQ(saves_->Take(), 1);
    EXPECT_EQ(StoredFile()["bShowTitles"], false);
    EXPECT_EQ(StoredFile()["bShowClubs"], false);
}
#endif

// A console command's change shows on the next frame and is saved once, as a click is; a pause
// shows at the top of the page, above every checkbox, with a button that resumes.
TEST_F(PageTest, CommandsShowOnTheNextFrameAndThePauseAtTheTop) {
    Open();
    const std::size_t toastsOfLoad = host_->Toasts().size();
    page_->Frame();
    host_->ExecuteCommand("cloak_set titles off");
    EXPECT_FALSE(page_->Frame().Find("Hide Titles")->ticked);
    EXPECT_EQ(saves_->Take(), 1);

    const auto banner = [](const DrawnPage& page) {
        const auto found = std::find_if(page.texts.begin(), page.texts.end(), [](const auto& t) {
            return t.text == "Concealment is PAUSED: nothing new is concealed.";
        });
        return found == page.texts.end() ? nullptr : &*found;
    };
    host_->ExecuteCommand("cloak_pause");
    const DrawnPage paused = page_->Frame();
    ASSERT_NE(banner(paused), nullptr);
    EXPECT_LT(banner(paused)->rect.y1, paused.checkboxes.front().box.y0);
    EXPECT_THAT(page_test::FootOf(paused), ::testing::StartsWith("PAUSED: "));

    page_->ClickText("Resume concealing");
    EXPECT_FALSE(plugin_->Paused());
    host_->Tick();  // the resume is announced on the game thread
    EXPECT_EQ(banner(page_->Frame()), nullptr);
    EXPECT_EQ(host_->Toasts().size(), toastsOfLoad + 2) << "one toast to pause, one to resume";
    EXPECT_EQ(saves_->Take(), 0) << "the pause is never saved";
}

TEST_F(PageTest, ClickingALabelTheFrameDidNotDrawIsReported) {
    Open();
    page_->Frame();
    EXPECT_THROW(page_->Click("Hide Everything"), std::invalid_argument);
}

// The foot of the page over a game: whether the load conceals, and when not, why.
struct GameAtLoad {
    const char* name;
    sim::host::HostSdk host;
    std::function<void(emu::World&, std::vector<emu::NameEntry*>& strayNames)> change;
    std::string foot;
};

void PrintTo(const GameAtLoad& game, std::ostream* out) {
    *out << game.name;
}

class PageFootTest : public page_test::PageOverGameTest,
                     public ::testing::WithParamInterface<GameAtLoad> {
protected:
    std::vector<emu::NameEntry*> strayNames;
};

// Read whole on a page of the default width.
TEST_P(PageFootTest, SaysWhetherTheLoadConceals) {
    GetParam().change(world, strayNames);
    Open({}, sim::host::CurrentWorldTables(), GetParam().host);
    EXPECT_EQ(page_test::FootOf(page_->Frame()), GetParam().foot);
}

INSTANTIATE_TEST_SUITE_P(
    Loads, PageFootTest,
    ::testing::Values(
        GameAtLoad{"Concealing", sim::host::HostSdk::Hybrid,
                   [](emu::World&, std::vector<emu::NameEntry*>&) {}, "Concealing."},
        // Hooked, so concealing, though not everything.
        GameAtLoad{"WithGaps", sim::host::HostSdk::Hybrid,
                   [](emu::World& world, std::vector<emu::NameEntry*>&) {
                       emu::Layout(world.Get("Class TAGame.RecentPlayers_TA")).nameIndex =
                           world.Name("RenamedByTest");
                   },
                   "Concealing, but game names it relies on are missing (\"BAD BAD BAD\" on the "
                   "console): some things may still show."},
        // Two name tables fit what the plugin found of the game: not a table that is missing.
        GameAtLoad{"SeveralNameTables", sim::host::HostSdk::Public,
                   [](emu::World& world, std::vector<emu::NameEntry*>& strayNames) {
                       const emu::GameArray<emu::NameEntry*>& table = world.NameTable();
                       strayNames.assign(table.data, table.data + table.count);
                       world.PlaceStrayNameTable(strayNames);
                   },
                   "NOT concealing: more than one place in the game's memory looks like its "
                   "object and name tables. This game build is not one this version of "
                   "CloakMyIdentity knows: look for an update of the plugin."}),
    [](const ::testing::TestParamInfo<GameAtLoad>& game) { return std::string(game.param.name); });

}  // namespace
