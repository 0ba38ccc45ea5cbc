// The settings file as LoadSettings and SaveSettings see it: exact written text, what a load
// accepts and rejects, failures that must not touch the record, and saves cut short.
//
// Index (the fixture and its helpers: settings_file_fixture.hpp)
//   Written text and round trip
//   Files a load rejects or tolerates
//   Text the file and the console can hold
//   Folder and write failures (those that only POSIX file systems make: settings_file_posix_test)
//   Interrupted and simultaneous saves
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "settings/file_platform.hpp"
#include "settings/in_place_write.hpp"
#include "tests/child_process.hpp"
#include "tests/held_file.hpp"
#include "tests/sanitized_build.hpp"
#include "tests/save_counter.hpp"
#include "tests/save_loop.hpp"
#include "tests/settings_file_fixture.hpp"

using namespace cloak;

namespace {

using namespace settings_file_test;

// ---- Written text and round trip ----------------------------------------------------------------

TEST_F(SettingsFileTest, DefaultRecordIsWrittenExactly) {
    plugin.SaveSettings();  // the folder and its missing parent are created on the way
    EXPECT_EQ(ReadText(File()), testing_support::WithPlatformLineEnds(kDefaultFile));
    EXPECT_THAT(TemporaryFiles(plugin.SettingsFolder), ::testing::IsEmpty());

    // A save of what the file holds already writes nothing (a sync client would see a change).
    testing_support::SaveCounter saves(plugin.SettingsFolder);
    ASSERT_TRUE(saves.Watching());
    plugin.SaveSettings();
    plugin.settings.bShowNames.set(false);
    plugin.SaveSettings();
    EXPECT_EQ(saves.Take(), 1);
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
    // A missing member takes its default, but not when another is of the wrong type.
    json withoutScores = json::parse(FileWith("bShowNames", "1"));
    withoutScores.erase("bShowScores");
    const std::vector<RejectedFile> cases = {
        // bShowMenuRankInfo and the other keys before bShowNames are read before the failure.
        {"switch as a number", FileWith("bShowNames", "1"), 302,
         "type must be boolean, but is number", Is<json::type_error>},
        {"missing switch, another a number", withoutScores.dump(4), 302,
         "type must be boolean, but is number", Is<json::type_error>},
        {"empty file", "", 101, "unexpected end of input", Is<json::parse_error>},
        {"array", "[true, false]", 302, "type must be object, but is array", Is<json::type_error>},
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
    // The scoreboard meets "Caf\xE9", then "Ping"; the user ticks Caf\xE9's box. The scoreboard's
    // next lookup of "Caf\xE9" finds that switch, not the newest statistic's.
    Switch& latin1 = plugin.settings.Stats.FindOrAdd("Caf\xE9");
    const Switch& ping = plugin.settings.Stats.FindOrAdd("Ping");
    latin1.set(true);
    EXPECT_EQ(&plugin.settings.Stats.FindOrAdd("Caf\xE9"), &latin1);
    EXPECT_FALSE(ping.get());
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
    const std::vector<std::function<void()>> operations = {[&] { plugin.SaveSettings(); },
                                                           [&] { plugin.LoadSettings(); }};
    for (const std::function<void()>& operation : operations) {
        try {
            operation();
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

// Where no temporary file can be made, a save writes settings.json in place (the fallback of a
// folder the user may not add to): the file then holds exactly the new text, in text mode like
// every save, whether it was longer or shorter before.
TEST_F(SettingsFileTest, InPlaceWriteLeavesExactlyTheNewTextWithPlatformLineEnds) {
    const std::string shorter = "{\n    \"a\": true\n}";
    const std::string longer = std::string(kDefaultFile) + "\n" + kDefaultFile;
    WriteText(File(), std::string(3000, 'x'));
    for (const std::string& text : {shorter, longer}) {
        const InPlaceOutcome outcome = WriteFileInPlace(File(), file_platform::TextFileBytes(text));
        EXPECT_EQ(outcome.failure, "");
        EXPECT_EQ(ReadText(File()), testing_support::WithPlatformLineEnds(text));
    }
}

// A file in memory whose writer stops: killed once `budget` bytes and steps are spent (the step
// that spends the last is cut short, and nothing after it happens), or failing at step
// `failingStep` alone (a full disk) or, with `failingOnward`, at every step from it on (a disk
// that has gone).
class StoppingFile final : public file_platform::InPlaceFile {
public:
    StoppingFile(std::string held, std::size_t budget, int failingStep, bool failingOnward = false)
        : bytes(std::move(held)),
          budget_(budget),
          failingStep_(failingStep),
          failingOnward_(failingOnward) {}

    std::string Reserve(std::uint64_t length) override {
        return Step(
            1, [&](std::size_t) { bytes.resize(std::max<std::size_t>(bytes.size(), length)); });
    }
    std::string WriteAt(std::uint64_t offset, std::string_view written) override {
        return Step(written.size(), [&](std::size_t count) {
            if (bytes.size() < offset + count) bytes.resize(offset + count);
            bytes.replace(offset, count, written.substr(0, count));
        });
    }
    std::string Flush() override {
        return Step(0, [](std::size_t) {});
    }
    std::string SetLength(std::uint64_t length) override {
        return Step(1, [&](std::size_t) { bytes.resize(length); });
    }

    std::string bytes;
    std::size_t spent = 0;

private:
    template <typename Change>
    std::string Step(std::size_t cost, Change change) {
        const int step = step_++;
        if (step == failingStep_ || (failingOnward_ && failingStep_ >= 0 && step > failingStep_)) {
            return "failed";
        }
        if (budget_ == 0) return "killed";
        const std::size_t done = std::min(cost, budget_);
        change(done);
        budget_ -= done;
        spent += done;
        return done == cost ? "" : "killed";
    }
    std::size_t budget_;
    int failingStep_;
    bool failingOnward_;
    int step_ = 0;
};

// An in-place save stopped at any moment leaves a file from which the next load reads the old
// record or the new one, whole; one failing at any step, or at every step from one on (when even
// cutting the file back fails), says "as it was" only when the file is byte for byte as it was.
TEST_F(SettingsFileTest, InPlaceSaveStoppedAnywhereLeavesTheOldRecordOrTheNew) {
    constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();
    const auto text = [](const PluginSettings& record) {
        return file_platform::TextFileBytes(nlohmann::json(record).dump(4));
    };
    // As a load reads it (settings_file.cpp), without the disk: thousands of files are read.
    const auto loaded = [](const std::string& bytes) {
        std::istringstream in{std::string(RecordText(bytes))};
        nlohmann::json parsed;
        in >> parsed;
        return nlohmann::json(parsed.get<PluginSettings>());
    };
    PluginSettings longer;
    longer.Stats.FindOrAdd("MatchAssists");
    longer.bShowNames.set(false);
    PluginSettings shorter;
    shorter.Stats = StatTable{};
    // A save killed after writing its new record behind the old one and a few bytes of the front.
    StoppingFile cutShort(text(PluginSettings{}), text(longer).size() + 8, -1);
    WriteInPlace(cutShort, cutShort.bytes, text(longer));
    WriteText(File(), cutShort.bytes);
    plugin.LoadSettings();
    ASSERT_EQ(nlohmann::json(plugin.settings), nlohmann::json(longer));

    struct Case {
        const char* what;
        std::string before;
        PluginSettings after;
    };
    const std::vector<Case> cases = {{"longer", text(PluginSettings{}), longer},
                                     {"shorter", text(longer), shorter},
                                     {"after a save cut short", cutShort.bytes, shorter}};
    for (const Case& item : cases) {
        const nlohmann::json old = loaded(item.before);
        const std::string after = text(item.after);
        StoppingFile whole(item.before, kNoLimit, -1);
        ASSERT_EQ(WriteInPlace(whole, item.before, after).failure, "");
        ASSERT_EQ(whole.bytes, after);
        for (std::size_t budget = 0; budget <= whole.spent; ++budget) {
            SCOPED_TRACE(std::string(item.what) + ", killed after " + std::to_string(budget));
            StoppingFile killed(item.before, budget, -1);
            WriteInPlace(killed, item.before, after);
            const nlohmann::json read = loaded(killed.bytes);
            EXPECT_TRUE(read == old || read == nlohmann::json(item.after)) << read.dump();
        }
        for (const bool onward : {false, true}) {
            for (int step = 0;; ++step) {
                SCOPED_TRACE(std::string(item.what) + ", failing at step " + std::to_string(step) +
                             (onward ? " and on" : ""));
                StoppingFile failing(item.before, kNoLimit, step, onward);
                const InPlaceOutcome outcome = WriteInPlace(failing, item.before, after);
                if (outcome.failure.empty()) break;  // past the last step
                if (!outcome.changed) {
                    EXPECT_EQ(failing.bytes, item.before);
                }
                const nlohmann::json read = loaded(failing.bytes);
                EXPECT_TRUE(read == old || read == nlohmann::json(item.after)) << read.dump();
            }
        }
    }
}

// A broken file, the load that fails on it, a save of the page, then the load's set-aside: the
// file holds the page's record now, which is never moved away as the broken one.
TEST_F(SettingsFileTest, FileSavedSinceTheFailedLoadIsNotSetAside) {
    sim::host::HostState host;
    sharedConsole = std::make_shared<CVarManagerWrapper>(&host);
    WriteText(File(), "{ broken");
    EXPECT_THROW(plugin.LoadSettings(), nlohmann::json::exception);
    plugin.settings.bShowNames.set(false);
    ASSERT_TRUE(plugin.SaveSettings());
    EXPECT_TRUE(plugin.SetAsideSettingsFile("broken"));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(File()) += ".bad"));
    EXPECT_THAT(ReadText(File()), ::testing::HasSubstr("\"bShowNames\": false"));
}

// ---- Interrupted and simultaneous saves ---------------------------------------------------------

// A save killed while writing leaves its temporary file. The next load removes those of ours
// that no save can still be writing (a live save writes its file within moments, and the file's
// time moves with every write), and nothing else.
TEST_F(SettingsFileTest, LoadRemovesOnlyAbandonedTemporaryFilesOfOurs) {
    namespace fs = std::filesystem;
    const fs::path abandoned = plugin.SettingsFolder / "settings.json.0123456789abcdef.tmp";
    const fs::path fresh = plugin.SettingsFolder / "settings.json.fedcba9876543210.tmp";
    std::vector<fs::path> others;
    for (const char* name :
         {"settings.json.0123456789abcdeg.tmp", "settings.json.0123.tmp",
          "notes.0123456789abcdef.tmp", "settings.json.0123456789abcdef.tmp.mine"}) {
        others.push_back(plugin.SettingsFolder / name);
    }
    const fs::path folderOfThatName = plugin.SettingsFolder / "settings.json.1111111111111111.tmp";
    const auto anHourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const fs::path& file : others) WriteText(file, "not ours");
    WriteText(abandoned, "{ half a reco");
    WriteText(fresh, "{ being writ");
    WriteText(folderOfThatName / "inside", "not ours");
    for (const fs::path& file : others) fs::last_write_time(file, anHourAgo);
    fs::last_write_time(abandoned, anHourAgo);
    std::error_code ignored;  // MinGW's library cannot set a folder's time
    fs::last_write_time(folderOfThatName, anHourAgo, ignored);

    plugin.LoadSettings();
    EXPECT_FALSE(fs::exists(abandoned));
    EXPECT_EQ(ReadText(fresh), "{ being writ");
    EXPECT_EQ(ReadText(folderOfThatName / "inside"), "not ours");
    for (const fs::path& file : others) EXPECT_EQ(ReadText(file), "not ours") << file;
}

// Another process saves as fast as it can, alternating two records that differ in switches and
// in size, until it is killed at an arbitrary moment. Whatever moment that was, settings.json holds
// one of the two records whole, and a temporary file left half-written is no obstacle to the next
// save.
TEST_F(SettingsFileTest, KilledSaveNeverLeavesABrokenFile) {
    plugin.SaveSettings();
    const nlohmann::json largeJson = testing_support::SavedRecord("large");
    const nlohmann::json smallJson = testing_support::SavedRecord("defaults");
    const std::string folderText = testing_support::Utf8Text(plugin.SettingsFolder);

    // Each round starts a program, which takes a sanitizer's build a good part of a second.
    const int rounds = testing_support::kSanitizedBuild ? 20 : 60;
    int killedWithTemporaryFile = 0;
    for (int round = 0; round < rounds; ++round) {
        testing_support::ChildProcess saver(CLOAK_SAVE_LOOP_PATH,
                                            {folderText, "large", "defaults"});
        ASSERT_TRUE(saver.Started()) << saver.Error();
        // Once it saves, even rounds kill as soon as a temporary file shows, that is while a save
        // is being written; odd ones at an arbitrary moment.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (TemporaryFiles(plugin.SettingsFolder).empty() &&
               std::chrono::steady_clock::now() < giveUp) {
        }
        if (round % 2 == 1)
            std::this_thread::sleep_for(std::chrono::microseconds(500 + 397 * round));
        ASSERT_TRUE(saver.Kill());
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

    plugin.settings = PluginSettings{};
    plugin.SaveSettings();
    EXPECT_EQ(ReadText(File()), testing_support::WithPlatformLineEnds(kDefaultFile));
}

// Two processes (two game clients, or a second plugin load) save into one folder at once. A
// reader meanwhile always finds settings.json, and always one of the two records whole: never
// an empty file, and never one record spliced with the tail of the other.
TEST_F(SettingsFileTest, TwoProcessesSavingAtOnceNeverLeaveAMixedFile) {
    plugin.settings = testing_support::SavedRecord("loadouts");
    plugin.SaveSettings();

    const std::string folderText = testing_support::Utf8Text(plugin.SettingsFolder);
    testing_support::ChildProcess first(CLOAK_SAVE_LOOP_PATH, {folderText, "names"});
    testing_support::ChildProcess second(CLOAK_SAVE_LOOP_PATH, {folderText, "loadouts"});
    ASSERT_TRUE(first.Started() && second.Started()) << first.Error() << second.Error();
    // The file's bytes, not a load: a load reads the first JSON value and ignores the rest, so
    // a record followed by the tail of a longer one would pass for whole.
    const std::string firstText = testing_support::WithPlatformLineEnds(
        nlohmann::json(testing_support::SavedRecord("names")).dump(4));
    const std::string secondText = testing_support::WithPlatformLineEnds(
        nlohmann::json(testing_support::SavedRecord("loadouts")).dump(4));
    int absent = 0;
    int unopened = 0;  // Windows: the moment the file is being replaced
    int mixed = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < until) {
        if (!std::filesystem::exists(File())) ++absent;
        std::ifstream in(File(), std::ios::binary);
        if (!in.is_open()) {
            ++unopened;
            continue;
        }
        const std::string text{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
        if (text != firstText && text != secondText) ++mixed;
    }
    EXPECT_TRUE(first.Kill());
    EXPECT_TRUE(second.Kill());
    EXPECT_EQ(absent, 0);
    EXPECT_EQ(mixed, 0);
    if (!testing_support::kWindowsSharingRules) {
        EXPECT_EQ(unopened, 0);
    }
}

}  // namespace
