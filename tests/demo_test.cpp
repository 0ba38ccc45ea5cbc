// cloak-demo end to end: the built-in match played without and with the plugin module, and bad
// match scripts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "tests/child_process.hpp"
#include "tests/sanitized_build.hpp"
#include "tests/temp_folder.hpp"

namespace {

using nlohmann::json;
using ::testing::HasSubstr;
using testing_support::TempFolder;
using testing_support::Utf8Text;

struct DemoRun {
    int exitStatus = -1;
    std::string output;
};

DemoRun RunDemo(const std::vector<std::string>& arguments) {
    const auto result = testing_support::RunProgram(CLOAK_DEMO_PATH, arguments);
    return {result.exitCode, result.output};
}

class DemoTest : public ::testing::Test {
protected:
    json PlayBuiltInMatch() {
        const DemoRun run = RunDemo({"--json", "--data-dir", Utf8Text(folder.path())});
        EXPECT_EQ(run.exitStatus, 0) << run.output;
        return json::parse(run.output);
    }

    TempFolder folder;
};

std::vector<std::string> Names(const json& screens) {
    std::vector<std::string> names;
    for (const json& player : screens["players"]) names.push_back(player["name"]);
    return names;
}

// The built-in match ends in its second match: six players joined in the order Maverick, the
// local player, Zephyr, Lumen, Kestrel_TTV, Orbit.
TEST_F(DemoTest, WithoutThePluginTheScreensShowWhatTheGameSets) {
    const json without = PlayBuiltInMatch()["without"];
    EXPECT_THAT(Names(without), ::testing::ElementsAre("Maverick", "NightOwl_77", "Zephyr", "Lumen",
                                                       "Kestrel_TTV", "Orbit"));
    const json& local = without["players"][1];
    EXPECT_TRUE(local["local"]);
    EXPECT_EQ(local["title"], "Grand Champion");
    EXPECT_EQ(local["clubId"], 5001);
    EXPECT_EQ(local["stats"], json::parse(R"({"MatchScore": 520, "MatchGoals": 2,
                                              "MatchAssists": 1, "MatchShots": 5})"));
    EXPECT_EQ(local["loadouts"][0], json::parse("[403, 5566, 2033, 6211, 4470, 3381, 1999, 270]"));
    EXPECT_EQ(local["onlineData"][1], json::parse("[0, 7, 7, 1, 0, 0, 0, 3]"));
    EXPECT_EQ(without["players"][4]["clubId"], 8804) << "a club replicated after joining";
    EXPECT_EQ(without["players"][3]["title"], "Champion of Champions");

    EXPECT_EQ(without["teams"], json::parse(R"(["Owls at Night", "Copper Comets"])"));
    EXPECT_TRUE(without["menuRankShown"]);
    EXPECT_EQ(without["seasonRewardLevel"], 8);
    EXPECT_TRUE(without["voteToForfeitOffered"]);
    EXPECT_EQ(without["maxRecentPlayers"], 50);
    EXPECT_EQ(without["pendingNotifications"], 2) << "during a match notifications wait";
    EXPECT_EQ(without["friendRequestsShown"], 2) << "in the menus they are shown";
}

// The default product of each slot index in the game's built-in item catalogue; index 1 has a
// slot without a default product and index 6 has no slot at all.
const std::vector<int> kDefaultProducts{23, 0, 376, 32, 4284, 4285, 0, 270};

TEST_F(DemoTest, WithThePluginTheScreensShowNothingIdentifying) {
    const json output = PlayBuiltInMatch();
    const json& without = output["without"];
    const json& with = output["with"];
    EXPECT_EQ(output["console"], json::array());

    // Numbers follow the order in which the other players' names replicated in this match; the
    // first match handed out numbers too, so they must have started again.
    EXPECT_THAT(Names(with), ::testing::ElementsAre("Player 1", "Player 0", "Player 2", "Player 3",
                                                    "Player 4", "Player 5"));
    ASSERT_EQ(with["players"].size(), without["players"].size());
    for (std::size_t i = 0; i < with["players"].size(); ++i) {
        const json& shown = with["players"][i];
        const json& real = without["players"][i];
        SCOPED_TRACE(real["name"].get<std::string>());
        EXPECT_EQ(shown["local"], real["local"]);
        EXPECT_EQ(shown["title"], "");
        EXPECT_EQ(shown["clubId"], 0);
        for (const auto& [stat, value] : real["stats"].items()) {
            const bool known = stat == "MatchScore" || stat == "MatchGoals" ||
                               stat == "MatchDemolishes" || stat == "MatchSaves" ||
                               stat == "MatchShots";
            EXPECT_EQ(shown["stats"][stat], known ? json(0) : value) << stat;
        }
        for (std::size_t car = 0; car < 2; ++car) {
            const json& ids = shown["loadouts"][car];
            const json& chosen = real["loadouts"][car];
            ASSERT_EQ(ids.size(), chosen.size());
            for (std::size_t slot = 0; slot < ids.size(); ++slot) {
                const bool middle = slot > 0 && slot + 1 < ids.size();
                EXPECT_EQ(ids[slot], middle ? json(kDefaultProducts[slot]) : chosen[slot])
                    << "car " << car << " slot " << slot;
            }
            for (const json& field : shown["onlineData"][car]) EXPECT_EQ(field, 0);
            EXPECT_EQ(shown["onlineData"][car].size(), real["onlineData"][car].size());
        }
    }
    EXPECT_EQ(with["teams"], json::parse(R"(["Blue", "Orange"])"));
    EXPECT_FALSE(with["menuRankShown"]);
    EXPECT_EQ(with["seasonRewardLevel"], 0);
    EXPECT_FALSE(with["voteToForfeitOffered"]);
    EXPECT_EQ(with["maxRecentPlayers"], 0);
    EXPECT_EQ(with["pendingNotifications"], 1) << "only the notification that is no request";
    EXPECT_EQ(with["friendRequestsShown"], 0);
}

// The host as its makers publish it hands the plugin no tables; the plugin finds them and the
// screens are the same.
TEST_F(DemoTest, TheHostAsPublishedShowsTheSameScreens) {
    const json hybrid = PlayBuiltInMatch();
    const DemoRun run =
        RunDemo({"--json", "--host", "public", "--data-dir", Utf8Text(folder.path())});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_EQ(json::parse(run.output), hybrid);
}

// Switches the user turned off in settings.json are left to the game; the local player's online
// name is concealed whatever the switches say.
TEST_F(DemoTest, TheUsersSettingsDecideWhatIsConcealed) {
    PlayBuiltInMatch();  // leaves a complete settings.json behind
    const std::filesystem::path file = folder.path() / "CloakMyIdentity" / "settings.json";
    json settings = json::parse(testing_support::ReadText(file));
    settings["bShowNames"] = false;
    settings["bHideTeamNames"] = false;
    settings["Stats"]["MatchScore"] = false;
    testing_support::WriteText(file, settings.dump(4));

    const json output = PlayBuiltInMatch();
    std::vector<std::string> expected = Names(output["without"]);
    expected[1] = "Player 0";
    EXPECT_EQ(Names(output["with"]), expected);
    EXPECT_EQ(output["with"]["teams"], output["without"]["teams"]);
    EXPECT_EQ(output["with"]["players"][0]["stats"]["MatchScore"], 385);
    EXPECT_EQ(output["with"]["players"][0]["stats"]["MatchSaves"], 0);
    EXPECT_EQ(output["with"]["players"][0]["title"], "");
}

// The host tells the plugin when the game is in free play; nothing is renamed or cleared there.
TEST_F(DemoTest, FreePlayKeepsNamesAndClubs) {
    const std::filesystem::path file = folder.path() / "match.json";
    testing_support::WriteText(file, R"({"localName": "Me", "events": [
        {"event": "freePlay"},
        {"event": "join", "player": "me", "local": true, "team": 0, "clubId": 5001},
        {"event": "join", "player": "bot", "name": "Bot", "team": 1, "clubId": 3}]})");
    const DemoRun run =
        RunDemo({"--json", "--match", Utf8Text(file), "--data-dir", Utf8Text(folder.path())});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    const json with = json::parse(run.output)["with"];
    EXPECT_THAT(Names(with), ::testing::ElementsAre("Player 0", "Bot"));
    EXPECT_EQ(with["players"][0]["clubId"], 5001);
    EXPECT_EQ(with["players"][1]["clubId"], 3);
}

// A pause before the match (--console) leaves every screen as the game sets it, but for the
// local player's name, given at load; a script's own console lines pause and resume in the match.
TEST_F(DemoTest, APausedPluginConcealsNothingNew) {
    const DemoRun paused =
        RunDemo({"--json", "--console", "cloak_pause", "--data-dir", Utf8Text(folder.path())});
    ASSERT_EQ(paused.exitStatus, 0) << paused.output;
    json output = json::parse(paused.output);
    EXPECT_EQ(output["with"]["players"][1]["name"], "Player 0");
    output["with"]["players"][1]["name"] = "NightOwl_77";
    EXPECT_EQ(output["with"], output["without"]);
    EXPECT_THAT(output["console"][0].get<std::string>(), HasSubstr("Concealment paused"));
    // The lasting sign, drawn from the first frame on and never taken down.
    ASSERT_EQ(output["canvas"].size(), 1u);
    EXPECT_EQ(output["canvas"][0]["lines"][0]["text"],
              "CloakMyIdentity: PAUSED - your identity shows");

    const DemoRun script =
        RunDemo({"--json", "--match", CLOAK_SOURCE_DIR "/sim/demo/matches/pause.json", "--data-dir",
                 Utf8Text(folder.path())});
    ASSERT_EQ(script.exitStatus, 0) << script.output;
    const json with = json::parse(script.output)["with"];
    // Kestrel, who joined while paused, is concealed at the resume; Lumen after him.
    EXPECT_THAT(Names(with),
                ::testing::ElementsAre("Player 0", "Player 1", "Player 2", "Player 3"));
    // Drawn while paused; at the resume it names what stays: Kestrel's goal, reported during the
    // pause, until the scoreboard changes.
    const json canvas = json::parse(script.output)["canvas"];
    ASSERT_EQ(canvas.size(), 2u);
    EXPECT_EQ(canvas[0]["lines"].size(), 1u);
    ASSERT_EQ(canvas[1]["lines"].size(), 1u);
    EXPECT_THAT(canvas[1]["lines"][0]["text"].get<std::string>(),
                HasSubstr("scores already on the scoreboard"));
}

// What is already on the screens when concealment starts is concealed as if it had just arrived:
// a load in the middle of a match, a resume (pause.json), "names" turned on in a match. No name,
// title, club or team name of the players stays; the others' names are numbered in the order
// they are met, the local player's record is "Player 0".
struct ShownBefore {
    const char* name;
    const char* script;  // a script of sim/demo/matches, or the text of one
};

class ShownBeforeConcealingTest : public DemoTest,
                                  public ::testing::WithParamInterface<ShownBefore> {};

INSTANTIATE_TEST_SUITE_P(
    Starts, ShownBeforeConcealingTest,
    ::testing::Values(ShownBefore{"LoadMidMatch", "mid_match_load.json"},
                      ShownBefore{"Resume", "pause.json"},
                      ShownBefore{"NamesTurnedOn", R"({"localName": "NightOwl_77", "events": [
        {"event": "console", "command": "cloak_set names off"},
        {"event": "teamName", "team": 1, "name": "Copper Comets"},
        {"event": "join", "player": "you", "local": true, "team": 0, "clubId": 5001},
        {"event": "join", "player": "z", "name": "Zephyr", "team": 1, "clubId": 7312,
         "title": "Rocket Sovereign"},
        {"event": "console", "command": "cloak_set names on"},
        {"event": "join", "player": "k", "name": "Kestrel", "team": 0}]})"}),
    [](const ::testing::TestParamInfo<ShownBefore>& start) { return start.param.name; });

TEST_P(ShownBeforeConcealingTest, NothingOfThePlayersShows) {
    std::filesystem::path script = folder.path() / "script.json";
    if (GetParam().script[0] == '{') {
        testing_support::WriteText(script, GetParam().script);
    } else {
        script = std::filesystem::path(CLOAK_SOURCE_DIR) / "sim/demo/matches" / GetParam().script;
    }
    const DemoRun run = RunDemo(
        {"--json", "--match", Utf8Text(script), "--data-dir", Utf8Text(folder.path() / "data")});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    const json output = json::parse(run.output);
    EXPECT_THAT(Names(output["without"]), ::testing::Contains("Zephyr"));
    const json& with = output["with"];
    for (std::size_t i = 0; i < with["players"].size(); ++i) {
        const json& player = with["players"][i];
        EXPECT_EQ(player["name"], "Player " + std::to_string(i)) << i;
        EXPECT_EQ(player["title"], "") << i;
        EXPECT_EQ(player["clubId"], 0) << i;
    }
    EXPECT_EQ(with["teams"], json::parse(R"(["Blue", "Orange"])"));
}

// --help is an answer: the usage on standard output, status 0. A bad option is named with its
// fix, in one line, status 2.
TEST_F(DemoTest, HelpAnswersAndABadOptionIsNamedWithItsFix) {
    const DemoRun help = RunDemo({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_THAT(help.output, ::testing::StartsWith("usage: cloak-demo"));
#if !defined(_WIN32)
    const std::filesystem::path out = folder.path() / "help.txt";
    const std::vector<std::string> command =
        testing_support::CommandWithStdoutTo(out, CLOAK_DEMO_PATH, {"--help"});
    testing_support::RunProgram(command.front(), {command.begin() + 1, command.end()});
    EXPECT_THAT(testing_support::ReadText(out), ::testing::StartsWith("usage: cloak-demo"));
#endif
    const std::vector<std::pair<std::vector<std::string>, std::string>> bad{
        {{"--host", "private"}, "--host takes hybrid or public"},
        {{"--host"}, "--host takes hybrid or public"},
        {{"--screenshot", "page.png"}, "--screenshot needs --settings"},
        {{"--match"}, "--match needs a file"},
        {{"--colour"}, "unknown option --colour"}};
    for (const auto& [arguments, fix] : bad) {
        const DemoRun run = RunDemo(arguments);
        EXPECT_EQ(run.exitStatus, 2) << fix;
        EXPECT_THAT(run.output,
                    ::testing::AllOf(HasSubstr(fix), ::testing::Not(HasSubstr("usage"))));
    }
}

TEST_F(DemoTest, TheTableShowsBothColumns) {
    const DemoRun run = RunDemo({"--data-dir", Utf8Text(folder.path())});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("WITHOUT the plugin"));
    EXPECT_THAT(run.output, HasSubstr("WITH the plugin"));
    EXPECT_THAT(run.output, HasSubstr("Copper Comets"));
    EXPECT_THAT(run.output, HasSubstr("toasts (with the plugin):"));
    EXPECT_THAT(run.output, HasSubstr("  [OK] CloakMyIdentity: Concealing."));
    EXPECT_THAT(run.output, HasSubstr("drawn on the game's screen (with the plugin): nothing"));
    EXPECT_THAT(run.output,
                HasSubstr((folder.path() / "CloakMyIdentity" / "settings.json").string()));
}

// The plugin loaded while the game still loads waits, and conceals on its own once the game is
// at its main menu: the screens are those of a load there, and the console and the toasts say
// what happened, in order.
TEST_F(DemoTest, ALateLoadConcealsAsALoadAtTheMainMenu) {
    const std::filesystem::path late =
        std::filesystem::path(CLOAK_SOURCE_DIR) / "sim" / "demo" / "matches" / "late_load.json";
    json atMainMenu = json::parse(testing_support::ReadText(late));
    json& events = atMainMenu["events"];
    events.erase(std::remove_if(events.begin(), events.end(),
                                [](const json& event) {
                                    return event["event"] == "loadPlugin" ||
                                           event["event"] == "mainMenu" || event["event"] == "wait";
                                }),
                 events.end());
    const std::filesystem::path menu = folder.path() / "menu.json";
    testing_support::WriteText(menu, atMainMenu.dump());
    const auto play = [this](const std::filesystem::path& match, const char* host) {
        const DemoRun run = RunDemo({"--json", "--match", Utf8Text(match), "--host", host,
                                     "--data-dir", Utf8Text(folder.path())});
        EXPECT_EQ(run.exitStatus, 0) << run.output;
        return json::parse(run.output);
    };
    for (const char* host : {"hybrid", "public"}) {
        SCOPED_TRACE(host);
        const json output = play(late, host);
        EXPECT_EQ(output["with"], play(menu, host)["with"]);
        EXPECT_THAT(Names(output["with"]), ::testing::ElementsAre("Player 0", "Player 1"));
        ASSERT_EQ(output["console"].size(), 2u);
        EXPECT_THAT(output["console"][0].get<std::string>(),
                    HasSubstr("concealing NOTHING yet: the game has no local player controller"));
        EXPECT_EQ(output["console"][1],
                  "CloakMyIdentity is concealing now: the game has its local player");
        EXPECT_EQ(output["toasts"], json::parse(R"([
            {"type": "Info", "title": "CloakMyIdentity",
             "text": "Waiting for the game. Concealing starts on its own."},
            {"type": "OK", "title": "CloakMyIdentity", "text": "Concealing."}])"));
    }

    // A pause made while the plugin waits outlives the wait: the late hook says so, never
    // "Concealing.", and the player who joins shows.
    const DemoRun paused = RunDemo({"--json", "--match", Utf8Text(late), "--console", "cloak_pause",
                                    "--data-dir", Utf8Text(folder.path())});
    ASSERT_EQ(paused.exitStatus, 0) << paused.output;
    const json output = json::parse(paused.output);
    EXPECT_THAT(Names(output["with"]), ::testing::ElementsAre("Player 0", "Zephyr"));
    EXPECT_EQ(output["toasts"].back(), json::parse(R"(
        {"type": "Warning", "title": "CloakMyIdentity",
         "text": "Ready, but PAUSED: nothing is concealed until you resume"})"));
    EXPECT_THAT(paused.output, ::testing::Not(HasSubstr("\"Concealing.\"")));
}

// A data folder named in any script ("Zoë", "データ") reaches the demo whole and is named in UTF-8;
// Windows hands a program's arguments to main() in a code page that holds few such names.
TEST_F(DemoTest, DataFolderNamedInAnyScript) {
    const std::filesystem::path data = folder.path() / u8"Zoë" / u8"データ";
    const DemoRun run = RunDemo({"--data-dir", Utf8Text(data)});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("console (with the plugin): nothing"));
    EXPECT_THAT(run.output, HasSubstr(Utf8Text(data / "CloakMyIdentity" / "settings.json")));
    EXPECT_TRUE(std::filesystem::exists(data / "CloakMyIdentity" / "settings.json"));
}

// Each bad script is refused before anything is played, with a message naming the event and the
// field, and exit status 2.
TEST_F(DemoTest, BadMatchScriptsAreRefusedWithTheEventAndField) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {R"({"localName": "Me", "events": [)", "not valid JSON"},
        {R"([])", "must be a JSON object"},
        {R"({"events": []})", R"(field "localName": missing)"},
        {R"({"localName": "Me", "events": {}})", R"(field "events": must be a list)"},
        {R"({"localName": "Me", "events": [{"event": "dance"}]})",
         R"(event 1 ("dance"), field "event": unknown kind)"},
        {R"({"localName": "Me", "events": [{"player": "a"}]})",
         R"(event 1, field "event": missing)"},
        {R"({"localName": "Me", "events": [{"event": "rpc"}, {"event": "join", "player": "a",
            "name": "A", "team": 2}]})",
         R"(event 2 ("join"), field "team": must lie between 0 and 1)"},
        {R"({"localName": "Me", "events": [{"event": "join", "player": "a", "team": 0}]})",
         R"(event 1 ("join"), field "name": missing)"},
        {R"({"localName": "Me", "events": [{"event": "stat", "player": "a", "stat": "S",
            "value": 1}]})",
         R"(event 1 ("stat"), field "player": "a" has not joined)"},
        {R"({"localName": "Me", "events": [{"event": "join", "player": "a", "name": "A",
            "team": 0}, {"event": "endMatch"}, {"event": "title", "player": "a", "title": "T"}]})",
         R"(event 3 ("title"), field "player": "a" has not joined)"},
        {R"({"localName": "Me", "events": [{"event": "join", "player": "a", "name": "A",
            "team": 0}, {"event": "stat", "player": "a", "stat": "S", "value": 1.5}]})",
         R"(event 2 ("stat"), field "value": must be a whole number)"},
        {R"({"localName": "Me", "events": [{"event": "vote", "actor": "x"}]})",
         R"(event 1 ("vote"), field "actor": unknown field)"},
        {R"({"localName": "Me", "events": [{"event": "join", "player": "a", "name": "A",
            "team": 0}, {"event": "loadout", "player": "a", "products": [[1]],
            "onlineData": [[], []]}]})",
         R"(event 2 ("loadout"), field "products": must be a list of two lists)"},
        {R"({"localName": "Me", "events": [{"event": "join", "player": "me", "local": true,
            "team": 0}, {"event": "rename", "player": "me", "name": "X"}]})",
         R"(event 2 ("rename"), field "player")"},
        {R"({"localName": "Me", "events": [{"event": "notification", "kind": "gift",
            "from": "A"}]})",
         R"(event 1 ("notification"), field "kind")"},
        {R"({"localName": "Me", "events": [{"event": "recentsChanged", "max": -1}]})",
         R"(event 1 ("recentsChanged"), field "max": must lie between 0 and)"},
        {R"({"localName": "Me", "events": [{"event": "join", "player": "a", "name": "A",
            "team": 1e400}]})",
         "not valid JSON"},
        {R"({"localName": "Me", "events": [{"event": "join", "player": "a", "name": "A",
            "team": 0}, {"event": "stat", "player": "a", "stat": ")" +
             std::string(1024, 's') + R"(", "value": 1}]})",
         R"(event 2 ("stat"), field "stat": must be at most 1023 bytes)"},
        {R"({"localName": "Me", "events": [{"event": "join", "player": "a", "name": "A",
            "team": 0}, {"event": "replicate", "player": "a", "variable": "Pi\u0000ng"}]})",
         R"(event 2 ("replicate"), field "variable": must not contain a zero)"},
        {R"({"localName": "Me", "events": [{"event": "console", "command": 1}]})",
         R"(event 1 ("console"), field "command")"},
        {R"({"localName": "Me", "events": [{"event": "loadPlugin"}, {"event": "vote"},
            {"event": "mainMenu"}]})",
         R"(event 2 ("vote"): the game is still loading until its "mainMenu" event)"},
        {R"({"localName": "Me", "events": [{"event": "loadPlugin"}, {"event": "loadPlugin"}]})",
         R"(event 2 ("loadPlugin"), field "event": the plugin is loaded already)"},
    };
    for (const auto& [script, message] : cases) {
        const std::filesystem::path file = folder.path() / "match.json";
        testing_support::WriteText(file, script);
        const DemoRun run =
            RunDemo({"--match", Utf8Text(file), "--data-dir", Utf8Text(folder.path())});
        EXPECT_EQ(run.exitStatus, 2) << script << "\n" << run.output;
        EXPECT_THAT(run.output, HasSubstr("bad match script")) << script;
        EXPECT_THAT(run.output, HasSubstr(message)) << script;
    }
    const DemoRun missing = RunDemo({"--match", Utf8Text(folder.path() / "absent.json")});
    EXPECT_EQ(missing.exitStatus, 2);
    EXPECT_THAT(missing.output, HasSubstr("cannot read the match script"));
    EXPECT_EQ(RunDemo({"--bogus"}).exitStatus, 2);
}

// The game keeps its notifications in arrays that grow by doubling, so a long session costs
// memory in proportion to its length.
TEST_F(DemoTest, AHundredThousandNotificationsPlayInBoundedMemory) {
    // No memory limit holds under a sanitizer (below), so a tenth of the session checks the
    // counts there, in a tenth of the time a loaded machine takes for the whole.
    constexpr int kNotifications = testing_support::kSanitizedBuild ? 10000 : 100000;
    json events = json::array();
    for (int i = 0; i < kNotifications; ++i) {
        events.push_back({{"event", "notification"},
                          {"kind", i % 2 == 0 ? "friendRequest" : "other"},
                          {"from", "Sender" + std::to_string(i)}});
    }
    const std::filesystem::path file = folder.path() / "match.json";
    testing_support::WriteText(file, json{{"localName", "Me"}, {"events", events}}.dump());
    // Sanitizers reserve more address space than any limit allows.
    const std::size_t limit = testing_support::kSanitizedBuild ? 0 : std::size_t{1500} << 20;
    const auto result = testing_support::RunProgram(
        CLOAK_DEMO_PATH,
        {"--json", "--match", Utf8Text(file), "--data-dir", Utf8Text(folder.path())}, limit);
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const json output = json::parse(result.output);
    EXPECT_EQ(output["without"]["friendRequestsShown"], kNotifications / 2);
    EXPECT_EQ(output["without"]["pendingNotifications"], 0);
    EXPECT_EQ(output["with"]["friendRequestsShown"], 0);
}

#if !defined(_WIN32)
// On a full disk the output is cut: the run must say so and fail, whichever output it was. The
// match is small, so that all of its output waits in the buffer until the program ends.
TEST_F(DemoTest, OutputThatDoesNotReachItsFileFailsTheRun) {
    const std::filesystem::path match = folder.path() / "match.json";
    testing_support::WriteText(match, R"({"localName": "Me", "events": [
        {"event": "join", "player": "me", "local": true, "team": 0}]})");
    for (const std::vector<std::string>& output : {std::vector<std::string>{"--json"}, {}}) {
        std::vector<std::string> arguments{"--match", Utf8Text(match), "--data-dir",
                                           Utf8Text(folder.path())};
        arguments.insert(arguments.end(), output.begin(), output.end());
        const std::vector<std::string> command =
            testing_support::CommandWithStdoutTo("/dev/full", CLOAK_DEMO_PATH, arguments);
        const auto result = testing_support::RunProgram(
            command.front(), std::vector<std::string>(command.begin() + 1, command.end()));
        EXPECT_EQ(result.exitCode, 3) << result.output;
        EXPECT_THAT(result.output, HasSubstr("not written in full"));
    }
}
#endif

// A settings file that is no UTF-8 at all, and a data folder whose name is none: whatever the
// console lines then quote, the JSON output is whole.
TEST_F(DemoTest, JsonOutputSurvivesBytesThatAreNoUtf8) {
    const std::filesystem::path odd = folder.path() / "data\xE9";
    std::filesystem::create_directories(odd / "CloakMyIdentity");
    testing_support::WriteText(odd / "CloakMyIdentity" / "settings.json", "\xE9");
    const DemoRun run = RunDemo({"--json", "--data-dir", odd.string()});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    const json output = json::parse(run.output);
    EXPECT_FALSE(output["console"].empty());
    EXPECT_EQ(Names(output["with"])[1], "Player 0");
}

}  // namespace
