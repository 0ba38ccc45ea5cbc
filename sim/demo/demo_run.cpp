// One half of the demo.
//
// The plugin keeps process-wide state (its indices of the game's objects, its caches) for as
// long as its module is loaded, and the stand-in host never unmaps a module. So the half without
// the plugin is played first, in a world that the plugin never sees; the half with it plays in a
// fresh world, and the plugin meets only that one.
#include "sim/demo/demo_run.hpp"

#include <fmt/format.h>

#include <stdexcept>

#include "sim/game/match_play.hpp"

namespace demo {

DemoGame::DemoGame(const emu::MatchScript& script, const std::filesystem::path& dataFolder,
                   sim::host::HostSdk sdk)
    : session(world, script.localName, emu::BuiltInCatalogue(),
              script.startsLoading ? emu::GameStart::Loading : emu::GameStart::MainMenu),
      host(dataFolder, sdk) {}

std::string DemoGame::LoadPlugin(const std::filesystem::path& module) {
    if (!host.Load(module, {world.ObjectTableAddress(), world.NameTableAddress()})) {
        std::string why = "cannot load the plugin";
        for (const std::string& line : host.ConsoleLines()) why += "\n  " + line;
        throw std::runtime_error(why);
    }
    const BakkesMod::Plugin::PluginInfo& info = *host.Info();
    return fmt::format("{} {} ({})", info.className, info.pluginVersion, info.pluginName);
}

void DemoGame::RunConsoleCommands(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) host.ExecuteCommand(line);
}

HalfResult PlayHalf(const emu::MatchScript& script, const std::filesystem::path& dataFolder,
                    const std::optional<std::filesystem::path>& module,
                    const std::vector<std::string>& consoleCommands, sim::host::HostSdk sdk) {
    DemoGame game(script, dataFolder, sdk);
    HalfResult result;
    // The console commands of the command line are typed as soon as the plugin is loaded.
    const auto load = [&] {
        result.plugin = game.LoadPlugin(*module);
        game.RunConsoleCommands(consoleCommands);
    };
    if (module && !script.loadsPlugin) load();
    // The script's console lines reach the host in both halves; without the plugin it knows
    // none of them.
    emu::PlayMatchScript(
        game.session, script, [&game] { game.host.Tick(); },
        module ? std::function<void()>(load) : std::function<void()>(),
        [&game](const std::string& line) { game.host.ExecuteCommand(line); });
    result.screens = emu::CaptureScreens(game.session);
    result.console = game.host.ConsoleLines();
    result.toasts = game.host.Toasts();
    result.canvas = game.host.State().canvas.Changes();
    game.host.Unload();
    return result;
}

}  // namespace demo
