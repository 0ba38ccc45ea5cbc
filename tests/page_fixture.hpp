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
#include "sim/host/host.hpp"
#include "sim/host/settings_page.hpp"
#include "tests/save_counter.hpp"
#include "tests/temp_folder.hpp"

namespace page_test {

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

    // Loads the plugin into the host (over a game world when given its tables) and opens its
    // page on the drawing thread.
    void Open(sim::host::PageSize size = {}, sim::host::GameTables tables = {}) {
        host_ = std::make_unique<sim::host::Host>(dataFolder_);
        plugin_ = std::make_shared<cloak::CloakMyIdentity>();
        host_->Attach(plugin_, tables);
        // Without a game the load queues its next try; the tests count what the page queues.
        plugin_->onUnload();
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

}  // namespace page_test
