// The settings file's failures and state, as the plugin object keeps them between operations.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

namespace cloak {

// settings.json exists but cannot be read: access refused, held by another program, not a
// regular file (a folder, a pipe that would block the load), a loop of links. Raised by
// LoadSettings; what() names the file and the reason, as UTF-8.
class UnreadableSettingsFile : public std::runtime_error {
public:
    UnreadableSettingsFile(const std::filesystem::path& file, const std::string& reason);
};

struct SettingsFileState {
    // The last load left the file as it is (it could not be read, or could not be used nor moved
    // aside): it holds the user's choices, which this process never learnt, so no save writes
    // over it until a later load reads it.
    std::atomic<bool> leftAlone{false};
    // Saves copy the record under the statistics lock and write it without any lock the game
    // thread takes, so two saves may finish out of order; the newer copy wins.
    std::uint64_t copiesTaken = 0;  // under the statistics lock
    std::uint64_t copyOnDisk = 0;   // under the save lock
    // The bytes the last load read (on the thread that loads): what a set-aside moves away, unless
    // a save has replaced them since.
    std::string bytesLoaded;
};

// How long a Warning toast about the settings file stays, as long as the load's own warnings.
inline constexpr float kSettingsToastSeconds = 10.0F;

// Tests and benchmarks only: when set, runs on the saving thread after the temporary file is
// written and before it replaces settings.json, with no lock held (neither the record's nor the
// one that orders the saves). A slow disk or a virus scanner looks like this to the plugin.
extern std::function<void()> beforeSettingsReplaceForTesting;

// Tests only: when set, runs on the loading thread in SetAsideSettingsFile, between its check that
// settings.json still holds what the load read and the move that sets it aside, with the lock that
// orders the saves held.
extern std::function<void()> beforeSettingsSetAsideForTesting;

}  // namespace cloak
