// cloak-demo --settings in a build without a desktop window for the page (the Windows build:
// Debian has GLFW and OpenGL for Linux only). The page itself is built and its tests draw it
// without a window.
#include <cstdio>

#include "sim/demo/settings_window.hpp"

int RunSettingsDemo(const emu::MatchScript&, const std::filesystem::path&,
                    const std::filesystem::path&, const SettingsWindowOptions&) {
    std::fputs(
        "cloak-demo: this build cannot show the settings page in a window (--settings needs "
        "GLFW and OpenGL, which the Linux build has)\n",
        stderr);
    return 2;
}
