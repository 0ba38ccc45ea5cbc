// The settings page on the host's drawing thread and the game thread at the same time: the page
// clicks through every checkbox while the game thread meets new scoreboard statistics, reads the
// switches and runs the queued work. Run under ThreadSanitizer by scripts/run-tests.sh.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <latch>
#include <memory>
#include <string>
#include <thread>

#include "page_fixture.hpp"
#include "temp_folder.hpp"

namespace {

class PageThreadsTest : public page_test::PageTest {};

constexpr int kNewStatistics = 40;
constexpr int kClickRounds = 3;

TEST_F(PageThreadsTest, DrawingAndGameThreadsShareTheSettings) {
    // Tall enough that every statistic added meanwhile stays on screen.
    Open({560, 2000});
    std::atomic<bool> drawing{true};
    std::atomic<int> met{0};

    std::thread game([&] {
        int switchesOn = 0;
        for (int round = 0; drawing.load() || met.load() < kNewStatistics; ++round) {
            if (met.load() < kNewStatistics) {
                plugin_->settings.Stats.FindOrAdd(fmt::format("MatchStat{}", met.load()));
                met.fetch_add(1);
            }
            const PluginSettings& s = plugin_->settings;
            switchesOn += s.bHideScoreboardInfo.get() + s.bShowScores.get() + s.bShowNames.get();
            s.Stats.ForEach(
                [&](const StatTable::Entry&, Switch& concealed) { switchesOn += concealed.get(); });
            host_->Tick();
            std::this_thread::yield();
        }
        EXPECT_GT(switchesOn, 0);
    });

    {
        // The game thread stops even when a click fails.
        const std::unique_ptr<void, std::function<void(void*)>> stopGame(&drawing, [&](void*) {
            drawing.store(false);
            game.join();
        });
        for (int round = 0; round < kClickRounds; ++round) {
            auto page = page_->Frame();
            // Clicking through the page hides and shows parts of it: only what is drawn counts.
            for (const auto& label : page.Labels()) {
                if (page.Find(label) != nullptr) page = page_->Click(label);
            }
        }
    }
    host_->Tick();

    // Every statistic the game met is on the page, last and in order, and reaches the file.
    auto page = page_->Frame();
    for (const char* label : {"Hide scoreboard info", "Hide Player Scores"}) {
        if (!page.Find(label)->ticked) page = page_->Click(label);
    }
    const auto stats = page.LabelsBetween("Hide Player Scores", "Hide Titles");
    ASSERT_EQ(stats.size(), 5u + kNewStatistics);
    EXPECT_EQ(stats.back(), fmt::format("Hide MatchStat{}", kNewStatistics - 1));
    page_->Click("Hide team names");
    EXPECT_EQ(StoredFile()["Stats"].size(), 5u + kNewStatistics);
}

// The page saves from inside its walk of the statistics while another thread may be saving too
// (the load step on the game thread): both must finish, whichever lock each reached first.
TEST(SettingsSaves, SaveFromInsideAStatisticsWalkDoesNotDeadlockWithAnotherSave) {
    testing_support::TempFolder folder;
    CloakMyIdentity plugin;
    plugin.SettingsFolder = folder.path();

    auto scenario = std::async(std::launch::async, [&] {
        std::latch walking(1);
        std::thread other;
        bool first = true;
        plugin.settings.Stats.ForEach([&](const StatTable::Entry&, Switch&) {
            if (!first) return;
            first = false;
            other = std::thread([&] {
                walking.wait();
                plugin.SaveSettings();
            });
            walking.count_down();
            // Let the other save reach its locks before this one asks for them.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            plugin.SaveSettings();
        });
        other.join();
    });
    if (scenario.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
        // The two threads hold each other's lock and cannot be unwound: end the process.
        std::fputs("the two saves deadlocked\n", stderr);
        std::_Exit(EXIT_FAILURE);
    }
    scenario.get();
    EXPECT_TRUE(std::filesystem::exists(folder.path() / kSettingsFileName));
}

}  // namespace
