// cloak-demo --settings in a build without the settings page (the Windows build: Dear ImGui is
// packaged for Linux only).
#include <cstdio>

#include "sim/demo/settings_window.hpp"

int RunSettingsDemo(const emu::MatchScript&, const std::filesystem::path&,
                    const std::filesystem::path&, const SettingsWindowOptions&) {
    std::fputs("cloak-demo: this build has no settings page (--settings needs Dear ImGui)\n",
               stderr);
    return 2;
}
