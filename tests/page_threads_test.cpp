// The settings page on the host's drawing thread and the game thread at the same time: the page
// clicks through every checkbox while the game plays scoreboard updates, whose handler reads the
// switches and learns statistics it meets for the first time, runs console commands that change
// the same switches, and runs the queued work. Run under ThreadSanitizer by scripts/run-tests.sh.
#include <fmt/format.h>
#include <gmock/gmock.h>
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
#include "sim/game/match_session.hpp"
#include "sim/game/world.hpp"
#include "temp_folder.hpp"

using namespace cloak;

namespace {

constexpr int kNewStatistics = 40;
constexpr int kClickRounds = 3;

using PageThreadsTest = page_test::PageOverGameTest;

TEST_F(PageThreadsTest, DrawingAndGameThreadsShareTheSettings) {
    // Tall enough that every statistic added meanwhile stays on screen.
    Open({560, 2000}, sim::host::CurrentWorldTables());
    emu::MatchPlayer& player = session.Join(false, u"Zephyr", 0, 0);
    std::atomic<bool> drawing{true};

    std::thread game([&] {
        for (int update = 0; drawing.load(); ++update) {
            session.ReportStat(player, fmt::format("MatchStat{}", update % kNewStatistics), update);
            session.ReportStat(player, "MatchScore", update);
            host_->ExecuteCommand(
                "cloak_toggle titles; cloak_toggle friends; cloak_set MatchGoals off; cloak_pause; "
                "cloak_resume");
            host_->Tick();
            std::this_thread::yield();
        }
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

    // The scoreboard learns names only while it conceals; this thread is the game's from now on.
    auto page = page_->Frame();
    for (const char* label : {"Hide scoreboard info", "Hide Player Scores"}) {
        if (!page.Find(label)->ticked) page = page_->Click(label);
    }
    for (int stat = 0; stat < kNewStatistics; ++stat) {
        session.ReportStat(player, fmt::format("MatchStat{}", stat), stat);
    }

    // Every statistic the game met is on the page, last, and reaches the file.
    page = page_->Frame();
    const auto stats = page.LabelsBetween("Hide Player Scores", "Hide Titles");
    ASSERT_EQ(stats.size(), 5u + kNewStatistics);
    EXPECT_EQ(stats.front(), "Hide MatchScore");
    page_->Click("Hide team names");
    EXPECT_EQ(StoredFile()["Stats"].size(), 5u + kNewStatistics);
    // Whichever thread saved last, the file holds the record as it is.
    EXPECT_EQ(StoredFile(), nlohmann::json(plugin_->settings));
}

// The scoreboard handler takes the statistics lock on the game thread; a save on the drawing
// thread must let go of it before it reaches the disk, which a virus scanner or a held file can
// make slow. Whether the click was a switch or a statistic (whose checkbox is drawn inside the
// walk of the statistics), a scoreboard update during the slow save takes no longer than usual.
TEST_F(PageThreadsTest, SlowSaveDoesNotHoldUpTheScoreboard) {
    constexpr auto kSlowSave = std::chrono::milliseconds(1500);
    constexpr auto kBound = std::chrono::milliseconds(300);
    Open({}, sim::host::CurrentWorldTables());
    emu::MatchPlayer& player = session.Join(false, u"Zephyr", 0, 0);
    std::atomic<bool> saving{false};
    beforeSettingsReplaceForTesting = [&] {
        saving.store(true);
        std::this_thread::sleep_for(kSlowSave);
    };
    const std::unique_ptr<void, void (*)(void*)> fastAgain(
        &saving, [](void*) { beforeSettingsReplaceForTesting = nullptr; });

    int update = 0;
    for (const char* label : {"Hide Titles", "Hide MatchGoals"}) {
        SCOPED_TRACE(label);
        page_->Frame();
        saving.store(false);
        auto click = std::async(std::launch::async, [&] { page_->Click(label); });
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!saving.load() && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::yield();
        }
        ASSERT_TRUE(saving.load()) << "the save never reached the disk";
        const auto start = std::chrono::steady_clock::now();
        ++update;
        session.ReportStat(player, fmt::format("MatchNew{}", update), update);
        const auto took = std::chrono::steady_clock::now() - start;
        click.get();
        EXPECT_LT(took, kBound);
    }
    EXPECT_FALSE(plugin_->settings.bShowTitles.get());
    EXPECT_EQ(plugin_->settings.Stats.size(), 7u);
    EXPECT_EQ(StoredFile()["Stats"]["MatchGoals"], false);
}

// The page and the load step save at once while statistics are learnt. A save takes its copy and
// its place among the saves together, under the statistics lock, so the newest copy is the one
// the file keeps: the last save of either thread copied every statistic of both.
TEST(SettingsSaves, SavesFromTwoThreadsAtOnceLeaveTheNewestCopy) {
    constexpr int kSavesPerThread = 40;
    testing_support::TempFolder folder;
    CloakMyIdentity plugin;
    plugin.SettingsFolder = folder.path();
    const auto saveAndLearn = [&](int thread) {
        for (int save = 0; save < kSavesPerThread; ++save) {
            plugin.settings.Stats.FindOrAdd(fmt::format("Thread{}Stat{}", thread, save));
            plugin.SaveSettings();
        }
    };
    std::thread page(saveAndLearn, 0);
    saveAndLearn(1);
    page.join();
    const nlohmann::json stored =
        nlohmann::json::parse(testing_support::ReadText(folder.path() / kSettingsFileName));
    EXPECT_EQ(stored["Stats"].size(), 5u + 2 * kSavesPerThread);
}

// A save held up after writing its temporary file (a slow disk) while a newer save of another
// thread reaches the disk: released, it must not put its older record back.
TEST(SettingsSaves, SaveHeldUpNeverPutsBackAnOlderRecord) {
    testing_support::TempFolder folder;
    CloakMyIdentity plugin;
    plugin.SettingsFolder = folder.path();
    std::promise<void> held;
    std::promise<void> release;
    std::atomic<bool> holdNext{true};
    beforeSettingsReplaceForTesting = [&, released = release.get_future().share()] {
        if (!holdNext.exchange(false)) return;
        held.set_value();
        released.wait();
    };
    const std::unique_ptr<void, void (*)(void*)> fastAgain(
        &holdNext, [](void*) { beforeSettingsReplaceForTesting = nullptr; });

    plugin.settings.bShowNames.set(false);
    auto older = std::async(std::launch::async, [&] { plugin.SaveSettings(); });
    held.get_future().wait();
    plugin.settings.bShowNames.set(true);
    plugin.settings.bShowClubs.set(false);
    const nlohmann::json newer = plugin.settings;
    std::thread([&] { plugin.SaveSettings(); }).join();
    release.set_value();
    older.get();
    EXPECT_EQ(nlohmann::json::parse(testing_support::ReadText(folder.path() / kSettingsFileName)),
              newer);
}

// The settings steps of a reload onto a file broken since the last load (the user edited it),
// while the drawing thread saves after every click: each broken text is kept whole under a
// set-aside name or replaced by a save, settings.json always ends as a whole record, and no
// temporary file is left. Between its check that the file is still the broken one and its move,
// the set-aside gives the page's saves time to finish two: none may.
TEST_F(PageThreadsTest, ReloadOntoABrokenFileWhileThePageSaves) {
    constexpr int kReloads = 8;
    constexpr auto kSavesTime = std::chrono::milliseconds(100);
    Open();
    page_->Frame();
    std::atomic<bool> clicking{true};
    std::atomic<int> clicks{0};
    beforeSettingsSetAsideForTesting = [&] {
        const int before = clicks.load();
        const auto until = std::chrono::steady_clock::now() + kSavesTime;
        while (clicks.load() < before + 2 && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    const std::unique_ptr<void, void (*)(void*)> noSeam(
        &clicks, [](void*) { beforeSettingsSetAsideForTesting = nullptr; });
    std::thread drawing([&] {
        while (clicking.load()) {
            page_->Click("Hide Menu Rank");
            ++clicks;
        }
    });
    std::unique_ptr<void, std::function<void(void*)>> stopClicking(&clicking, [&](void*) {
        clicking.store(false);
        drawing.join();
    });
    for (int reload = 0; reload < kReloads; ++reload) {
        testing_support::WriteText(SettingsFile(), fmt::format("{{ broken {}", reload));
        try {
            plugin_->LoadSettings();
        } catch (const nlohmann::json::exception& error) {
            plugin_->settings = PluginSettings{};
            plugin_->SetAsideSettingsFile(error.what());
        }
        plugin_->SaveSettings();
    }
    stopClicking.reset();
    for (const auto& entry : std::filesystem::directory_iterator(SettingsFolder())) {
        const std::string name = entry.path().filename().string();
        ASSERT_EQ(name.find(".tmp"), std::string::npos) << name;
        if (name == kSettingsFileName) continue;
        EXPECT_THAT(testing_support::ReadText(entry.path()), ::testing::StartsWith("{ broken "))
            << name;
    }
    EXPECT_NO_THROW(StoredFile().get<PluginSettings>());
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
