// Test support for the settings page: a plugin object attached to the stand-in host, its page
// drawn on the host's drawing thread, and a count of the saves that reach settings.json.
#pragma once

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "plugin/cloak_my_identity.hpp"
#include "plugin/process_state.hpp"
#include "sim/host/host.hpp"
#include "sim/host/settings_page.hpp"
#include "temp_folder.hpp"

namespace page_test {

// Counts completed writes of settings.json in one folder: a save either renames its temporary
// file over it or writes it in place, and either way ends in exactly one of these events.
class SaveCounter {
public:
    explicit SaveCounter(const std::filesystem::path& folder)
        : fd_(inotify_init1(IN_NONBLOCK)),
          watch_(inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE)) {}
    ~SaveCounter() { close(fd_); }
    SaveCounter(const SaveCounter&) = delete;
    SaveCounter& operator=(const SaveCounter&) = delete;

    bool Watching() const { return fd_ >= 0 && watch_ >= 0; }

    // The saves since the previous call.
    int Take() {
        int saves = 0;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t got = read(fd_, buffer, sizeof buffer);
            if (got <= 0) return saves;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && std::string(event->name) == cloak::kSettingsFileName) ++saves;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    int fd_;
    int watch_;
};

// Members go in reverse order: the drawing thread stops first, the folder goes last.
class PageTest : public ::testing::Test {
protected:
    PageTest() { cloak::ForgetProcessStateForTesting(); }

    std::filesystem::path SettingsFolder() const { return dataFolder_ / "CloakMyIdentity"; }
    std::filesystem::path SettingsFile() const { return SettingsFolder() / cloak::kSettingsFileName; }

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
        saves_ = std::make_unique<SaveCounter>(SettingsFolder());
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
    std::unique_ptr<SaveCounter> saves_;
    std::unique_ptr<sim::host::DrawingThread> page_;
};

}  // namespace page_test
