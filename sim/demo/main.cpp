// cloak-demo: the plugin module loaded into the stand-in host, as the real host loads it.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>

#include <fmt/format.h>

#include "sim/demo/settings_window.hpp"
#include "sim/host/host.hpp"

namespace {

int Usage() {
    std::fputs("usage: cloak-demo [--data-dir DIR] [--settings [--screenshot FILE.png]]\n",
               stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path dataDir = CLOAK_DEFAULT_DATA_DIR;
    bool settingsWindow = false;
    SettingsWindowOptions windowOptions;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--data-dir" && i + 1 < argc) {
            dataDir = argv[++i];
        } else if (arg == "--settings") {
            settingsWindow = true;
        } else if (arg == "--screenshot" && i + 1 < argc) {
            windowOptions.screenshot = argv[++i];
        } else {
            return Usage();
        }
    }

    sim::host::Host host(dataDir);
    if (!host.Load(CLOAK_PLUGIN_PATH, {})) {
        for (const auto& line : host.ConsoleLines()) fmt::print(stderr, "{}\n", line);
        return 1;
    }
    fmt::print("loaded {} {} ({})\n", host.Info()->className, host.Info()->pluginVersion,
               host.Info()->displayName);
    fmt::print("console:\n");
    for (const auto& line : host.ConsoleLines()) fmt::print("  {}\n", line);
    fmt::print("settings: {}\n", (dataDir / "CloakMyIdentity" / "settings.json").string());
    if (settingsWindow) {
        const int status = RunSettingsWindow(host, windowOptions, [&host](std::stop_token stop) {
            while (!stop.stop_requested()) {
                host.Tick();
                std::this_thread::sleep_for(std::chrono::milliseconds(16));
            }
        });
        host.Unload();
        return status;
    }
    host.Unload();
    return 0;
}
