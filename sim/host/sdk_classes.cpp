// Stand-in host: the SDK classes a plugin derives from or calls, except the game-facing parts
// of GameWrapper and the wrappers (game_wrapper.cpp, wrappers.cpp).
#include "plugin/host/plugin_interfaces.hpp"
#include "sim/host/host_state.hpp"

BakkesModPlugin::BakkesModPlugin() = default;
BakkesModPlugin::BakkesModPlugin(const BakkesModPlugin&) = default;
BakkesModPlugin::BakkesModPlugin(BakkesModPlugin&&) noexcept = default;
BakkesModPlugin& BakkesModPlugin::operator=(const BakkesModPlugin&) = default;
BakkesModPlugin& BakkesModPlugin::operator=(BakkesModPlugin&&) noexcept = default;
BakkesModPlugin::~BakkesModPlugin() = default;
void BakkesModPlugin::onLoad() {}
void BakkesModPlugin::onUnload() {}

void HybridPlugin::SetObjectTable(std::uint64_t) {}
void HybridPlugin::SetNameTable(std::uint64_t) {}

PluginSettingsWindow::~PluginSettingsWindow() = default;

CVarManagerWrapper::CVarManagerWrapper(sim::host::HostState* host) : host_(host) {}

void CVarManagerWrapper::log(std::string text) {
    host_->console.Write(std::move(text));
}
