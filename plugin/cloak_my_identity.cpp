// The plugin object: host interfaces and the start of onLoad.
#include "plugin/cloak_my_identity.hpp"

#include <fmt/format.h>

#include <utility>

#include "game/tables.hpp"
#include "plugin/hook_table.hpp"

namespace cloak {

std::shared_ptr<BakkesModPlugin> pluginInstance;

void CloakMyIdentity::SetObjectTable(std::uint64_t objectTableAddress) {
    game::ObjectTableAddress = objectTableAddress;
    game::TablesHandedOver = true;
}

void CloakMyIdentity::SetNameTable(std::uint64_t nameTableAddress) {
    game::NameTableAddress = nameTableAddress;
    game::TablesHandedOver = true;
}

void CloakMyIdentity::onLoad() {
    // The console the plugin logs through; the former copy goes only after the new one is stored.
    std::shared_ptr<CVarManagerWrapper> formerConsole = std::exchange(sharedConsole, cvarManager);
    formerConsole.reset();

    SettingsFolder = gameWrapper->GetDataFolder() / "CloakMyIdentity";
    BringInSettings();
    // Every load conceals: a pause ends with the session it was meant for.
    paused_.set(false);
    // Also when the load cannot hook, so that cloak_status can say why.
    RegisterConsoleCommands();
    RegisterExposureSign();
    RunLoadSequence();
}

void CloakMyIdentity::onUnload() {
    CancelPendingTries();
    if (gameWrapper) gameWrapper->UnregisterDrawables();
    // The host frees the module after this: no hook of ours may stay behind it.
    if (Hooked(outcome_.load()) && gameWrapper) {
        hooks::UnhookHookTable(*gameWrapper);
        outcome_.store(LoadOutcome::NotLoaded);
    }
}

void CloakMyIdentity::BringInSettings() {
    fileState_.leftAlone.store(false);
    bool writeBack = true;
    try {
        LoadSettings();
    } catch (const nlohmann::json::exception& error) {
        settings = PluginSettings{};
        // A file that could not be moved aside is the user's only copy: like one that cannot be
        // read, no save writes over it until a load has read it.
        writeBack = SetAsideSettingsFile(error.what());
        fileState_.leftAlone.store(!writeBack);
    } catch (const UnreadableSettingsFile& error) {
        settings = PluginSettings{};
        fileState_.leftAlone.store(true);
        LogLine(fmt::format("{}; left as it is, concealing everything", error.what()));
        return;
    } catch (const std::exception& error) {
        settings = PluginSettings{};
        LogLine(fmt::format("settings folder {} cannot be used ({}); concealing everything",
                            PathText(SettingsFolder), FailureText(error)));
        return;
    }
    if (!writeBack) return;
    try {
        SaveSettings();
    } catch (const std::exception& error) {
        LogLine(fmt::format("settings folder {} cannot be used ({})", PathText(SettingsFolder),
                            FailureText(error)));
    }
}

}  // namespace cloak
