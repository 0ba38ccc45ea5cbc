// cloak-demo --settings: the plugin's settings page in a desktop window.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>

namespace sim::host {
class Host;
}

struct SettingsWindowOptions {
    // Draw a few frames, write the window's pixels to this PNG file and close.
    std::optional<std::filesystem::path> screenshot;
};

// Shows the settings page of the host's plugin in a window (GLFW, OpenGL 3) until it is closed.
// The calling thread is the drawing thread; `game` runs meanwhile on a thread of its own, as the
// game thread, until it is asked to stop. Returns the process exit status.
int RunSettingsWindow(sim::host::Host& host, const SettingsWindowOptions& options,
                      std::function<void(std::stop_token)> game);
