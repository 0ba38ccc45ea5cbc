// One half of the demo: a match script played in a fresh emulated game, with or without the
// plugin module loaded through the stand-in host.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "sim/game/match_screens.hpp"
#include "sim/game/match_script.hpp"
#include "sim/game/match_session.hpp"
#include "sim/game/world.hpp"
#include "sim/host/host.hpp"

namespace demo {

// A fresh emulated game for a script, and the stand-in host beside it, declared in this order so
// that the host lets go of the plugin before the game goes.
struct DemoGame {
    DemoGame(const emu::MatchScript& script, const std::filesystem::path& dataFolder,
             sim::host::HostSdk sdk = sim::host::HostSdk::Hybrid);
    // Loads the plugin module the way the real host does and returns "<name> <version>
    // (<description>)"; throws std::runtime_error with the host's console lines when it cannot.
    std::string LoadPlugin(const std::filesystem::path& module);
    // Lines typed into the host's console, in order.
    void RunConsoleCommands(const std::vector<std::string>& lines);

    emu::World world;
    emu::Session session;
    sim::host::Host host;
};

struct HalfResult {
    emu::Screens screens;
    std::vector<std::string> console;           // every line written to the host console
    std::vector<sim::host::ShownToast> toasts;  // every toast the host was asked to show
    std::vector<sim::host::DrawnFrame> canvas;  // each change of what the drawables drew
    std::string plugin;                         // "<name> <version> (<description>)" when loaded
};

// Plays `script` from the start in a world of its own. With a module, the host loads it at the
// script's "loadPlugin" event, or before the first event when it has none, with `dataFolder` as
// the host's data folder, and then runs `consoleCommands` in its console. Throws
// std::runtime_error with the host's console lines when the module cannot be loaded.
HalfResult PlayHalf(const emu::MatchScript& script, const std::filesystem::path& dataFolder,
                    const std::optional<std::filesystem::path>& module,
                    const std::vector<std::string>& consoleCommands,
                    sim::host::HostSdk sdk = sim::host::HostSdk::Hybrid);

}  // namespace demo
