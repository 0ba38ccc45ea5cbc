// Test support for the settings page: a plugin object attached to the stand-in host, its page
// drawn on the host's drawing thread, and a count of the saves that reach settings.json.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "plugin/cloak_my_identity.hpp"
#include "plugin/process_state.hpp"
#include "sim/game/match_session.hpp"
#include "sim/game/world.hpp"
#include "sim/host/host.hpp"
#include "sim/host/settings_page.hpp"
#include "tests/save_counter.hpp"
#include "tests/temp_folder.hpp"

namespace page_test {

// What the foot of the page says, under its last checkbox: its runs of text (a line the page
// wraps makes several) read as one text.
inline std::string FootOf(const sim::host::DrawnPage& page) {
    std::string foot;
    bool below = false;
    for (const auto& text : page.texts) {
        if (below) foot += (foot.empty() ? "" : " ") + text.text;
        below = below || text.text == "Hide team names";
    }
    return foot;
}

// Members go in reverse order: the drawing thread stops first, the folder goes last.
class PageTest : public ::testing::Test {
protected:
    PageTest() { cloak::ForgetProcessStateForTesting(); }

    std::filesystem::path SettingsFolder() const { return dataFolder_ / "CloakMyIdentity"; }
    std::filesystem::path SettingsFile() const {
        return SettingsFolder() / cloak::kSettingsFileName;
    }

    // A stored file the plugin reads while it loads.
    void StoreFile(const nlohmann::json& content) const {
        testing_support::WriteText(SettingsFile(), content.dump(4));
    }

    nlohmann::json StoredFile() const {
        std::ifstream in(SettingsFile());
        return nlohmann::json::parse(in);
    }

    // Loads the plugin into the host (over a game world when given its tables, or one the plugin
    // searches itself under a public host) and opens its page on the drawing thread.
    void Open(sim::host::PageSize size = {}, sim::host::GameTables tables = {},
              sim::host::HostSdk sdk = sim::host::HostSdk::Hybrid) {
        host_ = std::make_unique<sim::host::Host>(dataFolder_, sdk);
        plugin_ = std::make_shared<cloak::CloakMyIdentity>();
        host_->Attach(plugin_, tables);
        // Without a game the load queues its next try; the tests count what the page queues.
        if (!cloak::Hooked(plugin_->Outcome())) plugin_->onUnload();
        TakeQueued();
        saves_ = std::make_unique<testing_support::SaveCounter>(SettingsFolder());
        ASSERT_TRUE(saves_->Watching());
        page_ = std::make_unique<sim::host::DrawingThread>(*host_, size);
    }

    std::vector<std::function<void(GameWrapper*)>> TakeQueued() {
        return host_->State().work.Take();
    }

    testing_support::TempFolder data_;
    const std::filesystem::path dataFolder_ = data_.path();
    std::unique_ptr<sim::host::Host> host_;
    std::shared_ptr<cloak::CloakMyIdentity> plugin_;
    std::unique_ptr<testing_support::SaveCounter> saves_;
    std::unique_ptr<sim::host::DrawingThread> page_;
};

// The page over a game with its local player.
class PageOverGameTest : public PageTest {
protected:
    // The host lets go of the plugin and its hooks before the game goes.
    void TearDown() override {
        page_.reset();
        host_.reset();
    }

    emu::World world;
    emu::Session session{world, u"NightOwl"};
};

}  // namespace page_test
