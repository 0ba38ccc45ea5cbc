// Loading the plugin through the stand-in host with a settings file in every state it can be
// found in: stored choices survive, and a file that cannot be used never switches concealment off.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "plugin/cloak_my_identity.hpp"
#include "sim/game/match_session.hpp"
#include "sim/game/world.hpp"
#include "sim/host/host.hpp"
#include "tests/child_process.hpp"
#include "tests/temp_folder.hpp"

using namespace cloak;

namespace {

using ::testing::HasSubstr;
using testing_support::ReadText;
using testing_support::TempFolder;
using testing_support::WriteText;

class SettingsRecoveryTest : public ::testing::Test {
protected:
    std::filesystem::path File() const {
        return folder.path() / "CloakMyIdentity" / "settings.json";
    }
    std::filesystem::path SetAside() const { return File().string() + ".bad"; }
    std::filesystem::path SetAside(int number) const {
        return SetAside().string() + "." + std::to_string(number);
    }

    // Loads the module into a new host, with the tables of the current game (the fixture's,
    // unless the test runs one of its own); the host unloads it when the test is done with it.
    std::unique_ptr<sim::host::Host> LoadPlugin(
        sim::host::GameTables tables = sim::host::CurrentWorldTables()) {
        auto host = std::make_unique<sim::host::Host>(folder.path());
        EXPECT_TRUE(host->Load(CLOAK_PLUGIN_PATH, tables));
        return host;
    }

    // A running game, so that a load conceals and its only console lines are the settings'.
    emu::World game;
    emu::Session gameSession{game, u"NightOwl"};

    static const PluginSettings& SettingsOf(const sim::host::Host& host) {
        return static_cast<const CloakMyIdentity*>(host.Plugin())->settings;
    }

    // settings.json as a fresh complete file holding the defaults.
    void ExpectFreshFile() const {
        const nlohmann::json written = nlohmann::json::parse(ReadText(File()));
        EXPECT_EQ(written, nlohmann::json(PluginSettings{}));
        EXPECT_EQ(ReadText(File()), testing_support::WithPlatformLineEnds(written.dump(4)));
    }

    TempFolder folder;
};

TEST_F(SettingsRecoveryTest, StoredChoicesSurviveAndTheFileIsWrittenBackWhole) {
    nlohmann::json stored = PluginSettings{};
    stored["bShowNames"] = false;
    stored["Stats"] = {{"MatchGoals", false}, {"MatchAssists", true}};
    WriteText(File(), stored.dump());  // compact, as a user might leave it

    auto host = LoadPlugin();
    EXPECT_EQ(nlohmann::json(SettingsOf(*host)), stored);
    EXPECT_EQ(ReadText(File()), testing_support::WithPlatformLineEnds(stored.dump(4)));
    // Only the load's word on the stored choice.
    EXPECT_THAT(host->ConsoleLines(),
                ::testing::ElementsAre("CloakMyIdentity: Concealing, but shown: names."));
    EXPECT_FALSE(std::filesystem::exists(SetAside()));
}

TEST_F(SettingsRecoveryTest, UnusableFileIsSetAsideAndDefaultsConceal) {
    nlohmann::json missingKey = PluginSettings{};
    missingKey.erase("bShowTitles");
    missingKey["bShowClubs"] = "no";  // a missing member is added, but the file is still unusable
    nlohmann::json wrongType = PluginSettings{};
    wrongType["bShowNames"] = 0;
    wrongType["bHideRecents"] = false;
    struct Case {
        std::string text;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"{\"bShowNames\": false,", "parse_error"},
        {missingKey.dump(), "type must be boolean, but is string"},
        {wrongType.dump(), "type must be boolean, but is number"},
        {"", "parse_error"},
        // The library's error quotes the bytes it last read; the console line stays UTF-8.
        {"\xE9", "parse_error"},
        {"{\"bShowNames\": \"\xFF\xFE\"}", "parse_error"},
    };

    // Set-aside files are never deleted: each goes to the first free name of ten, and when all
    // are taken the newest replaces the previous newest.
    WriteText(SetAside(), "older");
    for (int n = 1; n <= 5; ++n) WriteText(SetAside(n), "older");
    for (std::size_t at = 0; at < cases.size(); ++at) {
        const Case& item = cases[at];
        SCOPED_TRACE(item.text);
        WriteText(File(), item.text);
        auto host = LoadPlugin();

        EXPECT_EQ(nlohmann::json(SettingsOf(*host)), nlohmann::json(PluginSettings{}));
        const std::filesystem::path setAside = SetAside(std::min(6 + static_cast<int>(at), 9));
        EXPECT_EQ(ReadText(setAside), item.text);
        ExpectFreshFile();
        const std::vector<std::string> lines = host->ConsoleLines();
        ASSERT_EQ(lines.size(), 1U);
        EXPECT_THAT(lines[0], HasSubstr(File().string()));
        EXPECT_THAT(lines[0], HasSubstr(setAside.string()));
        EXPECT_THAT(lines[0], HasSubstr(item.error));
        EXPECT_NO_THROW((void)nlohmann::json(lines[0]).dump()) << "not UTF-8: " << lines[0];
    }
    EXPECT_EQ(ReadText(SetAside()), "older");
    for (int n = 1; n <= 5; ++n) EXPECT_EQ(ReadText(SetAside(n)), "older");
    EXPECT_EQ(ReadText(SetAside(8)), cases[2].text);
    EXPECT_FALSE(std::filesystem::exists(SetAside(10)));
}

// A file from before a switch existed lacks its member: every member that is there is taken, each
// missing one conceals, the file is written back complete, and one line names what was added.
TEST_F(SettingsRecoveryTest, FileLackingMembersKeepsTheOthersAndGainsTheDefaults) {
    for (const std::vector<std::string>& missing :
         {std::vector<std::string>{"bShowScores"}, {"Stats", "bHideRecents", "bShowNames"}}) {
        SCOPED_TRACE(missing.front());
        nlohmann::json stored = PluginSettings{};
        stored["bShowClubs"] = false;
        stored["Stats"] = {{"MatchGoals", false}};
        nlohmann::json expected = stored;
        for (const std::string& member : missing) {
            stored.erase(member);
            expected[member] = nlohmann::json(PluginSettings{})[member];
        }
        WriteText(File(), stored.dump());

        auto host = LoadPlugin();
        EXPECT_EQ(nlohmann::json(SettingsOf(*host)), expected);
        EXPECT_EQ(ReadText(File()), testing_support::WithPlatformLineEnds(expected.dump(4)));
        EXPECT_FALSE(std::filesystem::exists(SetAside()));
        const std::vector<std::string> lines = host->ConsoleLines();
        ASSERT_EQ(lines.size(), 2U);  // the file's line, then the load's word on the clubs
        EXPECT_THAT(lines[1], HasSubstr("shown: clubs"));
        EXPECT_THAT(lines[0], HasSubstr(File().string()));
        for (const std::string& member : missing) EXPECT_THAT(lines[0], HasSubstr(member));
    }
}

// A settings folder that cannot be created is a settings problem like any other: every
// concealment stays on and the hooks are in place; one line names the folder and the error.
TEST_F(SettingsRecoveryTest, FolderThatCannotBeCreatedStillConcealsEverything) {
    emu::World world;
    emu::Session session(world, u"NightOwl");
    const std::filesystem::path settingsFolder = File().parent_path();
    WriteText(settingsFolder, "a file where the settings folder should be");

    auto host = LoadPlugin(sim::host::CurrentWorldTables());
    EXPECT_EQ(nlohmann::json(SettingsOf(*host)), nlohmann::json(PluginSettings{}));
    const emu::MatchPlayer& player = session.Join(false, u"Zephyr", 1, 77);
    EXPECT_EQ(world.GetString(player.pri, "PlayerName"), u"Player 1");
    const std::vector<std::string> lines = host->ConsoleLines();
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_THAT(lines[0], HasSubstr(settingsFolder.string()));
    EXPECT_THAT(lines[0], HasSubstr("ot a directory"));
    EXPECT_EQ(ReadText(settingsFolder), "a file where the settings folder should be");
}

// Loading again onto a file damaged since the first load brings every concealment back, even
// those the user had switched off, and the fresh file says so.
TEST_F(SettingsRecoveryTest, SecondLoadOntoADamagedFileSwitchesEverythingBackOn) {
    auto host = LoadPlugin();
    auto& plugin = *static_cast<CloakMyIdentity*>(host->Plugin());
    plugin.settings.bShowNames.set(false);
    plugin.settings.bDefaultLoadouts.set(false);
    plugin.settings.Stats.FindOrAdd("MatchAssists");
    plugin.SaveSettings();
    ASSERT_EQ(nlohmann::json::parse(ReadText(File()))["bShowNames"], false);

    WriteText(File(), ReadText(File()).substr(0, 60));
    plugin.onLoad();
    EXPECT_EQ(nlohmann::json(plugin.settings), nlohmann::json(PluginSettings{}));
    ExpectFreshFile();
    EXPECT_EQ(host->ConsoleLines().size(), 1U);
}

// A folder with content named settings.json.bad is someone's data: it stays, and the unusable
// file goes to the next free name.
TEST_F(SettingsRecoveryTest, FolderWithContentInPlaceOfTheSetAsideFileIsKept) {
    WriteText(SetAside() / "something", "in the way");
    WriteText(File(), "{ broken");
    auto host = LoadPlugin();

    EXPECT_EQ(nlohmann::json(SettingsOf(*host)), nlohmann::json(PluginSettings{}));
    EXPECT_EQ(ReadText(SetAside() / "something"), "in the way");
    EXPECT_EQ(ReadText(SetAside(1)), "{ broken");
    ExpectFreshFile();
}

// An empty folder of that name is no one's data: it is replaced like an older file.
TEST_F(SettingsRecoveryTest, EmptyFolderInPlaceOfTheSetAsideFileIsReplaced) {
    std::filesystem::create_directories(SetAside());
    WriteText(File(), "[]");
    auto host = LoadPlugin();
    EXPECT_EQ(ReadText(SetAside()), "[]");
    ExpectFreshFile();
}

// Whatever happened to the file - cut short, bytes overwritten, a member of the wrong type - the
// load either honours a file that still reads as a whole record, or conceals everything, keeps
// the damaged text as settings.json.bad and writes a fresh file. It never applies part of a file.
// After every load a player joins the running game, and the plugin hides the name and club
// exactly when the record it loaded says so. A fixed sample of each kind of damage, spread over
// the whole file: every load is a durable save, and the fuzz target (tests/fuzz/) sweeps
// arbitrary bytes.
TEST_F(SettingsRecoveryTest, DamagedFileNeverSwitchesConcealmentOff) {
    // One game for every load: the module keeps what it looked up for the life of the process.
    emu::World world;
    emu::Session session(world, u"NightOwl");
    nlohmann::json choices = PluginSettings{};
    choices["bShowNames"] = false;
    choices["bHideRecents"] = false;
    choices["Stats"] = {{"MatchGoals", false}, {"MatchAssists", true}};
    const std::string original = choices.dump(4);

    struct Damage {
        std::string text;
        bool mustBeRejected;
    };
    std::vector<Damage> damages;
    // A prime step, so that the sampled offsets fall on names, values and punctuation alike.
    constexpr std::size_t kStep = 23;
    std::mt19937 random(20261208);
    for (std::size_t at = 0; at < original.size(); at += kStep) {
        damages.push_back({original.substr(0, at), true});
        std::string text = original;
        text[at] = static_cast<char>(random() % 256);
        damages.push_back({text, false});
    }
    damages.push_back({original.substr(0, original.size() - 1), true});
    const int cuts = static_cast<int>((original.size() + kStep - 1) / kStep) + 1;
    // Each wrong type, in each member in turn.
    const std::vector<const char*> wrongTypes = {"0",  "1.5",    "\"true\"", "null",
                                                 "[]", "[true]", "{}"};
    std::size_t turn = 0;
    for (const auto& [key, value] : choices.items()) {
        const std::string_view wrong = wrongTypes[turn++ % wrongTypes.size()];
        if (key == "Stats" && wrong == "{}") continue;  // still an object
        nlohmann::json text = choices;
        text[key] = nlohmann::json::parse(wrong);
        damages.push_back({text.dump(4), true});
    }
    for (const char* wrong : wrongTypes) {
        nlohmann::json statOfWrongType = choices;
        statOfWrongType["Stats"]["MatchGoals"] = nlohmann::json::parse(wrong);
        damages.push_back({statOfWrongType.dump(), true});
    }
    damages.push_back({original.substr(0, 40) + std::string(64, '\0') + original.substr(40), true});

    int rejected = 0;
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.text);
        std::filesystem::remove(SetAside());
        WriteText(File(), damage.text);
        auto host = LoadPlugin(sim::host::CurrentWorldTables());
        const nlohmann::json loaded = SettingsOf(*host);
        const emu::MatchPlayer& player = session.Join(false, u"Zephyr", 1, 77);
        const bool nameHidden = world.GetString(player.pri, "PlayerName").starts_with(u"Player ");
        EXPECT_EQ(nameHidden, loaded.at("bShowNames").get<bool>());
        EXPECT_EQ(world.Field<std::uint64_t>(player.pri, "ClubID") == 0,
                  loaded.at("bShowClubs").get<bool>());
        if (!std::filesystem::exists(SetAside())) {
            // Accepted: exactly what the file says for every member it has (a damaged name
            // leaves its member missing, which conceals).
            EXPECT_FALSE(damage.mustBeRejected);
            const nlohmann::json file = nlohmann::json::parse(damage.text);
            const nlohmann::json defaults = PluginSettings{};
            for (const auto& [key, value] : loaded.items()) {
                EXPECT_EQ(value, file.contains(key) ? file[key] : defaults[key]) << key;
            }
            continue;
        }
        ++rejected;
        EXPECT_EQ(loaded, nlohmann::json(PluginSettings{}));
        EXPECT_EQ(ReadText(SetAside()), damage.text);
        ExpectFreshFile();
    }
    EXPECT_GT(rejected, cuts);  // overwritten bytes too
}

TEST_F(SettingsRecoveryTest, DemoShowsTheConsoleAndWhereTheSettingsWent) {
    WriteText(File(), "not JSON");
    const auto [status, output] =
        testing_support::RunProgram(CLOAK_DEMO_PATH, {"--data-dir", folder.path().string()});
    ASSERT_EQ(status, 0) << output;
    EXPECT_THAT(output, HasSubstr("parse_error"));
    EXPECT_THAT(output, HasSubstr(File().string()));
    ExpectFreshFile();
}

}  // namespace
