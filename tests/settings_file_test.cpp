// The settings file as LoadSettings and SaveSettings see it: exact written text, what a load
// accepts and rejects, failures that must not touch the record, and saves cut short.
//
// Index
//   Fixture and helpers
//   Written text and round trip
//   Files a load rejects or tolerates
//   Folder and write failures
//   Interrupted saves
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "plugin/cloak_my_identity.hpp"
#include "sim/host/host_state.hpp"
#include "tests/child_process.hpp"
#include "tests/save_loop.hpp"
#include "tests/temp_folder.hpp"

namespace {

using testing_support::ReadText;
using testing_support::TempFolder;
using testing_support::WriteText;
using StatList = std::vector<std::pair<std::string, bool>>;

constexpr const char* kDefaultFile = R"({
    "Stats": {
        "MatchDemolishes": true,
        "MatchGoals": true,
        "MatchSaves": true,
        "MatchScore": true,
        "MatchShots": true
    },
    "bDefaultLoadouts": true,
    "bHideFriendRequests": true,
    "bHideRecents": true,
    "bHideScoreboardInfo": true,
    "bHideTeamNames": true,
    "bShowClubs": true,
    "bShowMenuRankInfo": true,
    "bShowMenuSeasonRank": true,
    "bShowNames": true,
    "bShowScores": true,
    "bShowTitles": true,
    "bShowVoteToForfeit": true
})";

StatList StatsOf(const PluginSettings& settings) {
    StatList stats;
    settings.Stats.ForEach([&](const StatTable::Entry& entry, Switch& concealed) {
        stats.emplace_back(entry.name, concealed.get());
    });
    return stats;
}

// A complete file with every switch true except the one given, whose value is written as given.
std::string FileWith(const std::string& key, const std::string& value) {
    nlohmann::json file = nlohmann::json::parse(kDefaultFile);
    file[key] = nlohmann::json::parse(value);
    return file.dump(4);
}

class SettingsFileTest : public ::testing::Test {
protected:
    SettingsFileTest() { plugin.SettingsFolder = folder.path() / "data" / "CloakMyIdentity"; }

    std::filesystem::path File() const { return plugin.SettingsFolder / "settings.json"; }

    TempFolder folder;
    CloakMyIdentity plugin;
};

// ---- Written text and round trip ---------------------------------------------------------------

TEST_F(SettingsFileTest, DefaultRecordIsWrittenExactly) {
    plugin.SaveSettings();  // the folder and its missing parent are created on the way
    EXPECT_EQ(ReadText(File()), testing_support::WithPlatformLineEnds(kDefaultFile));
    EXPECT_FALSE(std::filesystem::exists(File().string() + ".tmp"));
}

TEST_F(SettingsFileTest, NoFileLeavesDefaultsAndCreatesNoFile) {
    plugin.settings.bShowNames.set(false);
    plugin.LoadSettings();
    EXPECT_FALSE(plugin.settings.bShowNames.get());
    EXPECT_TRUE(std::filesystem::is_directory(plugin.SettingsFolder));
    EXPECT_FALSE(std::filesystem::exists(File()));
}

TEST_F(SettingsFileTest, StatsHoldExactlyTheFileMembersInByteOrder) {
    nlohmann::json file = nlohmann::json::parse(kDefaultFile);
    file["Stats"] = {{"MatchGoals", false}};
    file["bShowTitles"] = false;
    WriteText(File(), file.dump());
    plugin.LoadSettings();
    EXPECT_EQ(StatsOf(plugin.settings), (StatList{{"MatchGoals", false}}));
    EXPECT_FALSE(plugin.settings.bShowTitles.get());
    EXPECT_TRUE(plugin.settings.bShowNames.get());

    // Byte order, not the order of the text nor a signed-char order: 'Z' < 'a' < any UTF-8 lead.
    WriteText(File(), R"({"Stats": {"Match\u00e9": true, "Matcha": false, "MatchZ": true,
        "MatchShots": true}, "bShowMenuRankInfo": true, "bShowMenuSeasonRank": true,
        "bShowVoteToForfeit": true, "bHideScoreboardInfo": true, "bHideTeamNames": true,
        "bHideFriendRequests": true, "bDefaultLoadouts": true, "bHideRecents": true,
        "bShowTitles": true, "bShowClubs": true, "bShowNames": true, "bShowScores": false})");
    plugin.LoadSettings();
    const StatList expected{
        {"MatchShots", true}, {"MatchZ", true}, {"Matcha", false}, {"Match\xc3\xa9", true}};
    EXPECT_EQ(StatsOf(plugin.settings), expected);
    EXPECT_FALSE(plugin.settings.bShowScores.get());

    // What was loaded is written back whole, and reads back the same.
    plugin.SaveSettings();
    const std::string saved = ReadText(File());
    EXPECT_NE(saved.find("\"Match\xc3\xa9\": true"), std::string::npos) << "UTF-8, not escaped";
    CloakMyIdentity reader;
    reader.SettingsFolder = plugin.SettingsFolder;
    reader.LoadSettings();
    EXPECT_EQ(StatsOf(reader.settings), expected);
    EXPECT_EQ(nlohmann::json(reader.settings), nlohmann::json(plugin.settings));
}

TEST_F(SettingsFileTest, EmptyStatsAreWrittenOnTheMemberLine) {
    WriteText(File(), FileWith("Stats", "{}"));
    plugin.LoadSettings();
    EXPECT_EQ(plugin.settings.Stats.size(), 0U);
    plugin.SaveSettings();
    const std::string start = testing_support::WithPlatformLineEnds("{\n    \"Stats\": {},\n ");
    EXPECT_EQ(ReadText(File()).substr(0, start.size()), start);
}

// ---- Files a load rejects or tolerates ---------------------------------------------------------

template <typename Error>
bool Is(const nlohmann::json::exception& error) {
    return dynamic_cast<const Error*>(&error) != nullptr;
}

struct RejectedFile {
    const char* what;
    std::string text;
    int errorId;
    const char* errorText;
    bool (*isExpectedType)(const nlohmann::json::exception&);
};

TEST_F(SettingsFileTest, RejectedFileRaisesTheLibraryErrorAndLeavesTheRecord) {
    using nlohmann::json;
    json withoutScores = json::parse(kDefaultFile);
    withoutScores.erase("bShowScores");
    const std::vector<RejectedFile> cases = {
        // bShowMenuRankInfo and the other keys before bShowNames are read before the failure.
        {"switch as a number", FileWith("bShowNames", "1"), 302,
         "type must be boolean, but is number", Is<json::type_error>},
        {"missing switch", withoutScores.dump(4), 403, "key 'bShowScores' not found",
         Is<json::out_of_range>},
        {"empty file", "", 101, "unexpected end of input", Is<json::parse_error>},
        {"array", "[true, false]", 304, "cannot use at() with array", Is<json::type_error>},
        {"comment", std::string("// mine\n") + kDefaultFile, 101, "syntax error",
         Is<json::parse_error>},
        {"Stats as an array", FileWith("Stats", "[]"), 302, "type must be object, but is array",
         Is<json::type_error>},
        {"statistic as text", FileWith("Stats", R"({"MatchGoals": "yes"})"), 302,
         "type must be boolean, but is string", Is<json::type_error>},
    };

    // A record unlike the defaults and unlike every file above.
    plugin.settings.bShowMenuRankInfo.set(false);
    plugin.settings.bHideRecents.set(false);
    plugin.settings.Stats = StatTable{{"Custom", false}, {"Another", true}};
    const json before = plugin.settings;
    const StatList statsBefore = StatsOf(plugin.settings);

    for (const RejectedFile& file : cases) {
        SCOPED_TRACE(file.what);
        WriteText(File(), file.text);
        try {
            plugin.LoadSettings();
            ADD_FAILURE() << "the load succeeded";
        } catch (const json::exception& error) {
            EXPECT_TRUE(file.isExpectedType(error)) << error.what();
            EXPECT_EQ(error.id, file.errorId);
            EXPECT_THAT(error.what(), ::testing::HasSubstr(file.errorText));
        }
        EXPECT_EQ(json(plugin.settings), before);
        EXPECT_EQ(StatsOf(plugin.settings), statsBefore);
    }
}

TEST_F(SettingsFileTest, ExtraMembersAndTrailingTextAreIgnored) {
    nlohmann::json file = nlohmann::json::parse(FileWith("bHideTeamNames", "false"));
    file["SomethingNewer"] = {1, 2, 3};
    WriteText(File(), file.dump(4) + "\n} trailing, not JSON [");
    plugin.LoadSettings();
    EXPECT_FALSE(plugin.settings.bHideTeamNames.get());
    EXPECT_TRUE(plugin.settings.bHideRecents.get());
    EXPECT_EQ(plugin.settings.Stats.size(), 5U);
}

// ---- Folder and write failures -----------------------------------------------------------------

TEST_F(SettingsFileTest, FolderThatCannotBeCreatedRaises) {
    WriteText(folder.path() / "data", "a file where the data folder should be");
    for (auto operation : {&CloakMyIdentity::SaveSettings, &CloakMyIdentity::LoadSettings}) {
        try {
            (plugin.*operation)();
            ADD_FAILURE() << "no error raised";
        } catch (const std::filesystem::filesystem_error& error) {
            EXPECT_EQ(error.code(), std::errc::not_a_directory);
            EXPECT_EQ(error.path1(), plugin.SettingsFolder);
        }
    }
}

TEST_F(SettingsFileTest, SaveThatCannotWriteLogsOneLineAndKeepsTheOldFile) {
    sim::host::HostState host;
    sharedConsole = std::make_shared<CVarManagerWrapper>(&host);
    WriteText(File(), "the old text");
    plugin.settings.bShowClubs.set(false);

    // The temporary file cannot be created.
    WriteText(File().string() + ".tmp/occupied", "");
    plugin.SaveSettings();
    EXPECT_EQ(ReadText(File()), "the old text");
    ASSERT_EQ(host.console.Lines().size(), 1U);
    EXPECT_THAT(host.console.Lines()[0], ::testing::HasSubstr(File().string()));
    std::filesystem::remove_all(File().string() + ".tmp");

    // The finished temporary file cannot replace settings.json (a folder with content here);
    // it is not left behind.
    std::filesystem::remove(File());
    WriteText(File() / "occupied", "");
    plugin.SaveSettings();
    EXPECT_EQ(host.console.Lines().size(), 2U);
    EXPECT_TRUE(std::filesystem::is_directory(File()));
    EXPECT_FALSE(std::filesystem::exists(File().string() + ".tmp"));

    // An empty folder in the way is replaced.
    std::filesystem::remove_all(File());
    std::filesystem::create_directory(File());
    plugin.SaveSettings();
    EXPECT_EQ(host.console.Lines().size(), 2U);
    EXPECT_NE(ReadText(File()).find("\"bShowClubs\": false"), std::string::npos);
}

// ---- Interrupted saves -------------------------------------------------------------------------

// Another process saves as fast as it can, alternating two records that differ in switches and
// in size, until it is killed at an arbitrary moment. Whatever moment that was, settings.json holds
// one of the two records whole, and a temporary file left half-written is no obstacle to the next
// save.
TEST_F(SettingsFileTest, KilledSaveNeverLeavesABrokenFile) {
    plugin.SaveSettings();
    const nlohmann::json largeJson = testing_support::LargeSavedRecord();
    const nlohmann::json smallJson = PluginSettings{};
    const std::filesystem::path temporary = File().string() + ".tmp";

    int killedWithTemporaryFile = 0;
    for (int round = 0; round < 60; ++round) {
        testing_support::ChildProcess saver(CLOAK_SAVE_LOOP_PATH,
                                            {testing_support::Utf8Text(plugin.SettingsFolder)});
        ASSERT_TRUE(saver.Started());
        // Once it saves, even rounds kill as soon as a temporary file shows, that is while a save
        // is being written; odd ones at an arbitrary moment.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!std::filesystem::exists(temporary) && std::chrono::steady_clock::now() < giveUp) {
        }
        if (round % 2 == 1) std::this_thread::sleep_for(std::chrono::microseconds(500 + 397 * round));
        ASSERT_TRUE(saver.Kill());
        if (std::filesystem::exists(temporary)) ++killedWithTemporaryFile;

        SCOPED_TRACE("round " + std::to_string(round));
        CloakMyIdentity reader;
        reader.SettingsFolder = plugin.SettingsFolder;
        reader.settings.Stats = StatTable{};
        ASSERT_NO_THROW(reader.LoadSettings());
        const nlohmann::json loaded = reader.settings;
        EXPECT_TRUE(loaded == largeJson || loaded == smallJson) << loaded.dump().substr(0, 300);
    }
    // The kills must have caught saves in progress, or the rounds above proved nothing.
    EXPECT_GT(killedWithTemporaryFile, 0);

    plugin.settings = PluginSettings{};
    plugin.SaveSettings();
    EXPECT_EQ(ReadText(File()), testing_support::WithPlatformLineEnds(kDefaultFile));
    EXPECT_FALSE(std::filesystem::exists(temporary));
}

}  // namespace
