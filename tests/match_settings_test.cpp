// The built-in match played in-process with the plugin module loaded and its settings page drawn
// by the host: what the match teaches the plugin reaches the settings file.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "sim/game/match_play.hpp"
#include "sim/game/match_session.hpp"
#include "sim/host/host.hpp"
#include "sim/host/settings_page.hpp"
#include "tests/temp_folder.hpp"

using namespace cloak;

namespace {

using nlohmann::json;

// Statistics the scoreboard reports beyond the five the plugin knows are added unticked, and the
// next save (here: a click on the page) writes them to the file.
TEST(MatchSettings, StatisticsMetInTheMatchReachTheFileAtTheNextSave) {
    testing_support::TempFolder data;
    emu::World world;
    emu::Session session(world, u"NightOwl_77");
    sim::host::Host host(data.path());
    ASSERT_TRUE(host.Load(CLOAK_PLUGIN_PATH));
    const emu::MatchScript script = emu::ParseMatchScript(
        testing_support::ReadText(CLOAK_SOURCE_DIR "/sim/demo/matches/default.json"));
    emu::PlayMatchScript(session, script, [&host] { host.Tick(); });

    const std::filesystem::path file = data.path() / "CloakMyIdentity" / "settings.json";
    EXPECT_FALSE(json::parse(testing_support::ReadText(file))["Stats"].contains("MatchAssists"))
        << "nothing saved since the plugin loaded";
    {
        sim::host::DrawingThread page(host);
        page.Frame();
        page.Click("Hide Recents");
    }
    const json stats = json::parse(testing_support::ReadText(file))["Stats"];
    EXPECT_EQ(stats["MatchAssists"], false);
    EXPECT_EQ(stats["MatchBallTouches"], false);
    EXPECT_EQ(stats["MatchScore"], true);
    EXPECT_EQ(stats.size(), 7u);
}

}  // namespace
