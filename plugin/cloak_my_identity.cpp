// The plugin object: host interfaces and the start of onLoad.
#include "plugin/cloak_my_identity.hpp"

#include <imgui.h>

#include <filesystem>
#include <system_error>
#include <utility>

#include <fmt/format.h>

#include "game/tables.hpp"

std::shared_ptr<BakkesModPlugin> pluginInstance;
std::shared_ptr<CVarManagerWrapper> sharedConsole;

std::string SettingsWindowBase::GetSettingsPageName() { return "CloakMyIdentity"; }

void SettingsWindowBase::AdoptImGuiContext(std::uintptr_t context) {
    ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(context));
}

void CloakMyIdentity::SetObjectTable(std::uint64_t objectTableAddress) {
    game::ObjectTableAddress = objectTableAddress;
}

void CloakMyIdentity::SetNameTable(std::uint64_t nameTableAddress) {
    game::NameTableAddress = nameTableAddress;
}

namespace {

// A stored settings file that exists but cannot be used is moved aside, so the user's text is
// kept while the plugin goes on concealing with its defaults.
void QuarantineSettingsFile(const std::filesystem::path& file, const char* why) {
    std::filesystem::path aside = file;
    aside += ".bad";
    std::error_code moved;
    std::filesystem::rename(file, aside, moved);
    sharedConsole->log(fmt::format("{} cannot be used ({}); {}, concealing everything", file.string(),
                                   why,
                                   moved ? fmt::format("could not move it aside: {}", moved.message())
                                         : fmt::format("kept it as {}", aside.string())));
}

}  // namespace

void CloakMyIdentity::onLoad() {
    // The console the plugin logs through; the former copy goes only after the new one is stored.
    std::shared_ptr<CVarManagerWrapper> formerConsole = std::exchange(sharedConsole, cvarManager);
    formerConsole.reset();

    // Settings: the stored choices first, then a complete file written back. An unusable file
    // never switches concealment off: the record keeps its defaults.
    SettingsFolder = gameWrapper->GetDataFolder() / "CloakMyIdentity";
    try {
        LoadSettings();
    } catch (const nlohmann::json::exception& error) {
        settings = PluginSettings{};
        QuarantineSettingsFile(SettingsFolder / "settings.json", error.what());
    }
    SaveSettings();

    RunLoadSequence();
}
