// The settings file as LoadSettings and SaveSettings see it: exact written text, what a load
// accepts and rejects, failures that must not touch the record, and saves cut short.
//
// Index
//   Fixture and helpers
//   Written text and round trip
//   Files a load rejects or tolerates
//   Text the file and the console can hold
//   Folder and write failures
//   Files that cannot be read
//   Interrupted and simultaneous saves
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "plugin/cloak_my_identity.hpp"
#include "sim/host/host_state.hpp"
#include "tests/ordinary_user.hpp"
#include "tests/temp_folder.hpp"

using namespace cloak;

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

// The temporary files a folder holds (every save makes one of its own).
std::vector<std::filesystem::path> TemporaryFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".tmp") found.push_back(entry.path());
    }
    return found;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

class SettingsFileTest : public ::testing::Test {
protected:
    SettingsFileTest() { plugin.SettingsFolder = folder.path() / "data" / "CloakMyIdentity"; }

    std::filesystem::path File() const { return plugin.SettingsFolder / "settings.json"; }

    // The plugin loading as the host loads it, with no game: the settings steps alone.
    void LoadAsTheHostDoes(CloakMyIdentity& loaded, sim::host::HostState& host) const {
        host.dataFolder = folder.path() / "data";
        loaded.gameWrapper = std::make_shared<GameWrapper>(&host);
        loaded.cvarManager = std::make_shared<CVarManagerWrapper>(&host);
        loaded.onLoad();
    }

    TempFolder folder;
    CloakMyIdentity plugin;
};

// ---- Written text and round trip ----------------------------------------------------------------

TEST_F(SettingsFileTest, DefaultRecordIsWrittenExactly) {
    plugin.SaveSettings();  // the folder and its missing parent are created on the way
    EXPECT_EQ(ReadText(File()), kDefaultFile);
    EXPECT_THAT(TemporaryFiles(plugin.SettingsFolder), ::testing::IsEmpty());
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
    EXPECT_EQ(ReadText(File()).substr(0, 20), "{\n    \"Stats\": {},\n ");
}

// ---- Files a load rejects or tolerates ----------------------------------------------------------

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

// A file moved between systems keeps its line ends: CRLF (Windows) and LF both load.
TEST_F(SettingsFileTest, EitherLineEndLoads) {
    std::string crlf;
    for (const char c : FileWith("bShowClubs", "false"))
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    WriteText(File(), crlf);
    plugin.LoadSettings();
    EXPECT_FALSE(plugin.settings.bShowClubs.get());
    EXPECT_EQ(plugin.settings.Stats.size(), 5U);
}

// ---- Text the file and the console can hold -----------------------------------------------------

// What the JSON library will write, judged by the library itself.
bool JsonCanHold(const std::string& text) {
    try {
        (void)nlohmann::json(text).dump();
        return true;
    } catch (const nlohmann::json::type_error&) {
        return false;
    }
}

TEST(ValidUtf8, KeepsWellFormedTextAndReplacesEveryOtherByte) {
    const std::string replaced = "\xEF\xBF\xBD";
    struct Case {
        const char* what;
        std::string text;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"ASCII and every sequence length", "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
         "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {"the edges: U+07FF, U+FFFF, U+10FFFF", "\xDF\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF",
         "\xDF\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF"},
        {"a lone Latin-1 byte", "caf\xE9", "caf" + replaced},
        {"a stray continuation byte", "\x80x", replaced + "x"},
        {"cut short at the end", "x\xE2\x82", "x" + replaced + replaced},
        {"cut short by ASCII", "\xE2\x82x", replaced + replaced + "x"},
        {"overlong", "\xC0\xAF\xE0\x80\xAF",
         std::string() + replaced + replaced + replaced + replaced + replaced},
        {"a surrogate", "\xED\xA0\x80", replaced + replaced + replaced},
        {"past U+10FFFF", "\xF4\x90\x80\x80", replaced + replaced + replaced + replaced},
        {"never a lead", "\xF5\xFF", replaced + replaced},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.what);
        const std::string valid = ValidUtf8(item.text);
        EXPECT_EQ(valid, item.expected);
        EXPECT_TRUE(JsonCanHold(valid));
        EXPECT_EQ(JsonCanHold(item.text), item.text == item.expected);
    }
}

// The game reports statistic names as bytes. One that is not UTF-8 is kept in a form the file
// can hold, is still the same statistic the next time the game reports it, and every save goes
// on working.
TEST_F(SettingsFileTest, StatisticNameThatIsNotUtf8IsStoredSoEverySaveWorks) {
    Switch& latin1 = plugin.settings.Stats.FindOrAdd("Tor\xE9");
    EXPECT_EQ(&plugin.settings.Stats.FindOrAdd("Tor\xE9"), &latin1);
    latin1.set(true);
    plugin.settings.Stats = StatTable{{"Cut\xE2\x82", false}, {"MatchGoals", true}};
    plugin.settings.Stats.FindOrAdd("Tor\xE9").set(true);

    ASSERT_NO_THROW(plugin.SaveSettings());
    plugin.settings.bShowNames.set(false);
    ASSERT_NO_THROW(plugin.SaveSettings());
    CloakMyIdentity reader;
    reader.SettingsFolder = plugin.SettingsFolder;
    reader.LoadSettings();
    EXPECT_FALSE(reader.settings.bShowNames.get());
    EXPECT_EQ(StatsOf(reader.settings), (StatList{{"Cut\xEF\xBF\xBD\xEF\xBF\xBD", false},
                                                  {"MatchGoals", true},
                                                  {"Tor\xEF\xBF\xBD", true}}));
}

// ---- Folder and write failures ------------------------------------------------------------------

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

TEST_F(SettingsFileTest, SaveThatCannotReplaceTheFileLogsOneLineAndKeepsTheOldOne) {
    sim::host::HostState host;
    sharedConsole = std::make_shared<CVarManagerWrapper>(&host);
    plugin.settings.bShowClubs.set(false);

    // The finished temporary file cannot replace settings.json (a folder with content here);
    // it is not left behind, and what was in the way is untouched.
    WriteText(File() / "occupied", "kept");
    plugin.SaveSettings();
    ASSERT_EQ(host.console.Lines().size(), 1U);
    EXPECT_THAT(host.console.Lines()[0], ::testing::HasSubstr(File().string()));
    EXPECT_EQ(ReadText(File() / "occupied"), "kept");
    EXPECT_THAT(TemporaryFiles(plugin.SettingsFolder), ::testing::IsEmpty());

    // An empty folder in the way is nobody's data: it is replaced.
    std::filesystem::remove_all(File());
    std::filesystem::create_directory(File());
    plugin.SaveSettings();
    EXPECT_EQ(host.console.Lines().size(), 1U);
    EXPECT_NE(ReadText(File()).find("\"bShowClubs\": false"), std::string::npos);

    // A read-only file is the user's choice to keep it as it is: not replaced, and said so.
    std::filesystem::permissions(File(), std::filesystem::perms::owner_read);
    const std::string readOnly = ReadText(File());
    plugin.settings.bShowClubs.set(true);
    plugin.SaveSettings();
    EXPECT_EQ(ReadText(File()), readOnly);
    ASSERT_EQ(host.console.Lines().size(), 2U);
    EXPECT_THAT(host.console.Lines()[1], ::testing::HasSubstr("read-only"));
}

// A save writes where a link points and keeps the file's permissions: the user's link to a
// synced folder, or a file kept private, stays as it was made.
TEST_F(SettingsFileTest, SaveWritesThroughLinksAndKeepsPermissions) {
    namespace fs = std::filesystem;
    const fs::path kept = folder.path() / "synced" / "cloak.json";
    WriteText(kept, "{}");
    fs::permissions(kept, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directories(plugin.SettingsFolder);
    fs::create_symlink(fs::path("..") / ".." / "synced" / "cloak.json", File());

    plugin.settings.bShowNames.set(false);
    plugin.SaveSettings();
    EXPECT_TRUE(fs::is_symlink(File()));
    EXPECT_NE(ReadText(kept).find("\"bShowNames\": false"), std::string::npos);
    EXPECT_EQ(fs::status(kept).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_THAT(TemporaryFiles(kept.parent_path()), ::testing::IsEmpty());
}

// In a folder where no new file can be made, a writable settings.json is written in place, and
// the line says so; a file that cannot be written either is left whole.
TEST_F(SettingsFileTest, FolderWithoutRoomForATemporaryFileIsWrittenInPlace) {
    namespace fs = std::filesystem;
    WriteText(File(), "the old text");
    testing_support::LetEveryoneIn(folder.path(), plugin.SettingsFolder);
    const auto readAndEnter = fs::perms::owner_read | fs::perms::owner_exec |
                              fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(plugin.SettingsFolder, readAndEnter);
    plugin.settings.bShowTitles.set(false);

    const auto saveAsOrdinaryUser = [&] {
        return testing_support::RunAsOrdinaryUser([&](std::string& output) {
            sim::host::HostState host;
            sharedConsole = std::make_shared<CVarManagerWrapper>(&host);
            plugin.SaveSettings();
            output = Joined(host.console.Lines());
        });
    };

    fs::permissions(File(), fs::perms::owner_read | fs::perms::owner_write |
                                fs::perms::others_read | fs::perms::others_write);
    testing_support::ChildRun run = saveAsOrdinaryUser();
    ASSERT_TRUE(run.ran);
    EXPECT_EQ(ReadText(File()), nlohmann::json(plugin.settings).dump(4));
    EXPECT_THAT(run.output, ::testing::HasSubstr("in place"));
    EXPECT_THAT(run.output, ::testing::HasSubstr(File().string()));
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1);

    std::ofstream(File(), std::ios::trunc) << "the old text";
    fs::permissions(File(), fs::perms::owner_read | fs::perms::others_read);
    run = saveAsOrdinaryUser();
    ASSERT_TRUE(run.ran);
    EXPECT_EQ(ReadText(File()), "the old text");
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
    fs::permissions(plugin.SettingsFolder, fs::perms::owner_all);  // for the clean-up
}

// ---- Files that cannot be read ------------------------------------------------------------------

// A settings.json that is there but cannot be read holds the user's choices, which the plugin
// never learnt: it conceals everything, says so once, and no later save writes over the file.
TEST_F(SettingsFileTest, FileThatCannotBeReadIsLeftAloneAndEverythingConcealed) {
    namespace fs = std::filesystem;
    struct Case {
        const char* what;
        std::function<void()> make;
        const char* reason;
    };
    const std::string stored = FileWith("bShowNames", "false");
    const std::vector<Case> cases = {
        {"refused",
         [&] {
             WriteText(File(), stored);
             fs::permissions(File(), fs::perms::none);
         },
         "ermission denied"},
        {"link loop", [&] { fs::create_symlink(File().filename(), File()); }, "symbolic links"},
        // Opening a pipe for reading waits for a writer that never comes.
        {"pipe", [&] { ASSERT_EQ(mkfifo(File().c_str(), 0666), 0); }, "not a regular file"},
        {"folder", [&] { fs::create_directories(File() / "inside"); }, "not a regular file"},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.what);
        fs::remove_all(folder.path() / "data");
        fs::create_directories(plugin.SettingsFolder);
        testing_support::LetEveryoneIn(folder.path(), plugin.SettingsFolder);
        fs::permissions(plugin.SettingsFolder, fs::perms::all);  // room for a save's file
        item.make();
        const auto before = fs::symlink_status(File()).type();
        const std::string text = before == fs::file_type::regular ? ReadText(File()) : "";

        const testing_support::ChildRun run =
            testing_support::RunAsOrdinaryUser([&](std::string& output) {
                alarm(20);  // a load that blocks ends the child, and the case fails
                sim::host::HostState host;
                CloakMyIdentity loaded;
                loaded.settings.bShowNames.set(false);
                LoadAsTheHostDoes(loaded, host);
                const nlohmann::json record = loaded.settings;
                loaded.settings.bHideRecents.set(false);  // a click on the page
                loaded.SaveSettings();
                output = record.dump() + "\n" + Joined(host.console.Lines());
            });
        ASSERT_TRUE(run.ran);
        const std::string record = run.output.substr(0, run.output.find('\n'));
        const std::string lines = run.output.substr(record.size() + 1);
        EXPECT_EQ(nlohmann::json::parse(record), nlohmann::json(PluginSettings{}));
        EXPECT_EQ(fs::symlink_status(File()).type(), before);
        if (before == fs::file_type::regular) {
            EXPECT_EQ(ReadText(File()), text);
        }
        EXPECT_THAT(TemporaryFiles(plugin.SettingsFolder), ::testing::IsEmpty());
        // One line from the load naming the file and why; one from the save that wrote nothing.
        EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2) << lines;
        EXPECT_THAT(lines, ::testing::HasSubstr(File().string()));
        EXPECT_THAT(lines, ::testing::HasSubstr(item.reason));
        EXPECT_THAT(lines, ::testing::HasSubstr("not saved"));
    }
}

// ---- Interrupted and simultaneous saves ---------------------------------------------------------

// A child saves as fast as it can, alternating two records that differ in switches and in size,
// until it is killed at an arbitrary moment. Whatever moment that was, settings.json holds one of
// the two records whole, and a temporary file left half-written is no obstacle to the next save.
TEST_F(SettingsFileTest, KilledSaveNeverLeavesABrokenFile) {
    plugin.SaveSettings();
    for (int i = 0; i < 3000; ++i) plugin.settings.Stats.FindOrAdd("Statistic" + std::to_string(i));
    plugin.settings.bShowNames.set(false);
    plugin.settings.bDefaultLoadouts.set(false);
    const PluginSettings large = plugin.settings;
    const PluginSettings small;
    const nlohmann::json largeJson = large;
    const nlohmann::json smallJson = small;

    int killedWithTemporaryFile = 0;
    for (int round = 0; round < 60; ++round) {
        const pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            for (bool useLarge = true;; useLarge = !useLarge) {
                plugin.settings = useLarge ? large : small;
                plugin.SaveSettings();
            }
        }
        // Odd rounds kill at an arbitrary moment; even ones as soon as a temporary file shows,
        // that is while a save is being written.
        if (round % 2 == 0) {
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(2);
            while (TemporaryFiles(plugin.SettingsFolder).empty() &&
                   std::chrono::steady_clock::now() < giveUp) {
            }
        } else {
            std::this_thread::sleep_for(std::chrono::microseconds(500 + 397 * round));
        }
        ASSERT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        if (!TemporaryFiles(plugin.SettingsFolder).empty()) ++killedWithTemporaryFile;

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

    plugin.settings = small;
    plugin.SaveSettings();
    EXPECT_EQ(ReadText(File()), kDefaultFile);
}

// Two processes (two game clients, or a second plugin load) save into one folder at once. A
// reader meanwhile always finds settings.json, and always one of the two records whole: never
// an empty file, and never one record spliced with the tail of the other.
TEST_F(SettingsFileTest, TwoProcessesSavingAtOnceNeverLeaveAMixedFile) {
    PluginSettings first;
    first.bShowNames.set(false);
    for (int i = 0; i < 400; ++i) first.Stats.FindOrAdd("Statistic" + std::to_string(i));
    PluginSettings second;
    second.bDefaultLoadouts.set(false);
    const nlohmann::json firstJson = first;
    const nlohmann::json secondJson = second;
    plugin.settings = second;
    plugin.SaveSettings();

    std::vector<pid_t> savers;
    for (const PluginSettings* record : {&first, &second}) {
        const pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            plugin.settings = *record;
            for (;;) plugin.SaveSettings();
        }
        savers.push_back(child);
    }
    // The file's bytes, not a load: a load reads the first JSON value and ignores the rest, so
    // a record followed by the tail of a longer one would pass for whole.
    const std::string firstText = firstJson.dump(4);
    const std::string secondText = secondJson.dump(4);
    int absent = 0;
    int mixed = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < until) {
        if (!std::filesystem::exists(File())) ++absent;
        const std::string text = ReadText(File());
        if (text != firstText && text != secondText) ++mixed;
    }
    for (const pid_t saver : savers) {
        kill(saver, SIGKILL);
        waitpid(saver, nullptr, 0);
    }
    EXPECT_EQ(absent, 0);
    EXPECT_EQ(mixed, 0);
}

}  // namespace
