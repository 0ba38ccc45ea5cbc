// Test support for the settings file's tests: a plugin object with its settings folder in a
// fresh folder, the default file's exact text, and helpers to write and inspect files.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "plugin/cloak_my_identity.hpp"
#include "sim/host/host_state.hpp"
#include "tests/temp_folder.hpp"

namespace settings_file_test {

using testing_support::ReadText;
using testing_support::TempFolder;
using testing_support::WriteText;
using StatList = std::vector<std::pair<std::string, bool>>;

inline constexpr const char* kDefaultFile = R"({
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

inline StatList StatsOf(const cloak::PluginSettings& settings) {
    StatList stats;
    settings.Stats.ForEach([&](const cloak::StatTable::Entry& entry, cloak::Switch& concealed) {
        stats.emplace_back(entry.name, concealed.get());
    });
    return stats;
}

// A complete file with every switch true except the one given, whose value is written as given.
inline std::string FileWith(const std::string& key, const std::string& value) {
    nlohmann::json file = nlohmann::json::parse(kDefaultFile);
    file[key] = nlohmann::json::parse(value);
    return file.dump(4);
}

// The temporary files a folder holds (every save makes one of its own).
inline std::vector<std::filesystem::path> TemporaryFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".tmp") found.push_back(entry.path());
    }
    return found;
}

inline std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

class SettingsFileTest : public ::testing::Test {
protected:
    SettingsFileTest() { plugin.SettingsFolder = folder.path() / "data" / "CloakMyIdentity"; }

    std::filesystem::path File() const { return plugin.SettingsFolder / "settings.json"; }

    // The plugin loading as the host loads it, with no game: the settings steps, then one line
    // that nothing is concealed.
    void LoadAsTheHostDoes(cloak::CloakMyIdentity& loaded, sim::host::HostState& host) const {
        host.dataFolder = folder.path() / "data";
        loaded.gameWrapper = std::make_shared<GameWrapper>(&host);
        loaded.cvarManager = std::make_shared<CVarManagerWrapper>(&host);
        loaded.onLoad();
    }

    TempFolder folder;
    cloak::CloakMyIdentity plugin;
};

}  // namespace settings_file_test
