// Host SDK: a plugin that draws a settings page implements this; the host calls it on its
// drawing thread. Virtual slot order is part of the host's binary interface: do not reorder.
#pragma once

#include <cstdint>
#include <string>

namespace BakkesMod::Plugin {

class PluginSettingsWindow {
public:
    virtual ~PluginSettingsWindow() = default;
    // Draws the page into the current Dear ImGui window.
    virtual void RenderSettings() = 0;
    // The page's title in the host's list of plugins.
    virtual std::string GetPluginName() = 0;
    // The host's Dear ImGui context, which the plugin's own copy of Dear ImGui draws into.
    virtual void SetImGuiContext(std::uintptr_t ctx) = 0;
};

}  // namespace BakkesMod::Plugin
