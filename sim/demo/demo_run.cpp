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
#include "sim/game/match_session.hpp"
#include "sim/game/world.hpp"
#include "sim/host/host.hpp"

namespace demo {

HalfResult PlayHalf(const sim::game::MatchScript& script, const std::filesystem::path& dataFolder,
                    const std::optional<std::filesystem::path>& module) {
    // Declared in this order so that the host lets go of the plugin before the game goes.
    sim::game::World world;
    sim::game::Session session(world, script.localName);
    sim::host::Host host(dataFolder);

    HalfResult result;
    if (module) {
        if (!host.Load(*module, {world.ObjectTableAddress(), world.NameTableAddress()})) {
            std::string why = "cannot load the plugin";
            for (const std::string& line : host.ConsoleLines()) why += "\n  " + line;
            throw std::runtime_error(why);
        }
        const PluginInfo& info = *host.Info();
        result.plugin =
            fmt::format("{} {} ({})", info.className, info.pluginVersion, info.displayName);
    }
    sim::game::PlayMatchScript(session, script, [&host] { host.Tick(); });
    result.screens = sim::game::CaptureScreens(session);
    result.console = host.ConsoleLines();
    host.Unload();
    return result;
}

}  // namespace demo
