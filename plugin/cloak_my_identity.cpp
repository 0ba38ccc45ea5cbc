// The plugin object: host interfaces and the start of onLoad.
#include "plugin/cloak_my_identity.hpp"

#include <utility>

#include "game/tables.hpp"

std::shared_ptr<BakkesModPlugin> pluginInstance;
std::shared_ptr<CVarManagerWrapper> sharedConsole;

void CloakMyIdentity::SetObjectTable(std::uint64_t objectTableAddress) {
    game::ObjectTableAddress = objectTableAddress;
}

void CloakMyIdentity::SetNameTable(std::uint64_t nameTableAddress) {
    game::NameTableAddress = nameTableAddress;
}

void CloakMyIdentity::onLoad() {
    // The console the plugin logs through; the former copy goes only after the new one is stored.
    std::shared_ptr<CVarManagerWrapper> formerConsole = std::exchange(sharedConsole, cvarManager);
    formerConsole.reset();

    // Settings: the stored choices first, then a complete file written back. An unusable file
    // never switches concealment off: the record keeps its defaults.
    SettingsFolder = gameWrapper->GetDataFolder() / "CloakMyIdentity";
    bool replaceFile = true;
    try {
        LoadSettings();
    } catch (const nlohmann::json::exception& error) {
        settings = PluginSettings{};
        replaceFile = SetAsideSettingsFile(error.what());
    }
    // A file that could not be moved aside is the user's only copy: it is not written over.
    if (replaceFile) SaveSettings();

    RunLoadSequence();
}
