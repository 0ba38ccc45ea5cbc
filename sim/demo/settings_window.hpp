// cloak-demo --settings: the plugin's settings page in a desktop window, beside what the game's
// screens show while the match replays behind it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "sim/game/match_script.hpp"

struct SettingsWindowOptions {
    // Draw until the game's screens are in, write the window's pixels to this PNG file and close.
    std::optional<std::filesystem::path> screenshot;
    // Lines typed into the host's console once the plugin is loaded (--console).
    std::vector<std::string> consoleCommands;
};

// Plays `script` once without the plugin (the left column of the screens table), then loads
// `module` into the stand-in host over a fresh emulated game and opens the settings page in a
// window (GLFW, OpenGL 3). The calling thread draws; a game thread replays the match over and
// over, runs the work the page queues, and after every replay shows the screens again, so each
// click's effect appears within a couple of seconds. Returns the process exit status.
int RunSettingsDemo(const emu::MatchScript& script, const std::filesystem::path& dataFolder,
                    const std::filesystem::path& module, const SettingsWindowOptions& options);
