// The plugin object: host interfaces and the start of onLoad.
#include "plugin/cloak_my_identity.hpp"

#include <fmt/format.h>

#include <utility>

#include "game/tables.hpp"
#include "plugin/entry_guard.hpp"
#include "plugin/hook_table.hpp"

namespace cloak {

std::shared_ptr<BakkesModPlugin> pluginInstance;

std::shared_ptr<BakkesModPlugin>* PluginOwner() noexcept {
    std::shared_ptr<BakkesModPlugin>* owner = nullptr;
    RunGuarded("getPlugin", [&] {
        if (!pluginInstance) {
            // The owner's count block is allocated apart from the object, and the owner destroys
            // the object as a CloakMyIdentity (BakkesModPlugin has no virtual destructor).
            pluginInstance = std::shared_ptr<BakkesModPlugin>(new CloakMyIdentity());
        }
        owner = &pluginInstance;
    });
    return owner;
}

void ReleasePlugin() noexcept {
    RunGuarded("deleteMe", [] {
        if (pluginInstance)
            static_cast<CloakMyIdentity*>(pluginInstance.get())->CancelPendingTries();
        std::shared_ptr<BakkesModPlugin> released = std::move(pluginInstance);
    });
}

void CloakMyIdentity::SetObjectTable(std::uint64_t objectTableAddress) {
    game::ObjectTableAddress = objectTableAddress;
    game::TablesHandedOver = true;
}

void CloakMyIdentity::SetNameTable(std::uint64_t nameTableAddress) {
    game::NameTableAddress = nameTableAddress;
    game::TablesHandedOver = true;
}

void CloakMyIdentity::onLoad() {
    RunGuarded("onLoad", [this] { LoadSteps(); });
}

void CloakMyIdentity::LoadSteps() {
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
    RunGuarded("onUnload", [this] {
        CancelPendingTries();
        if (gameWrapper) gameWrapper->UnregisterDrawables();
        // The host frees the module after this: no hook of ours may stay behind it.
        if (Hooked(outcome_.load()) && gameWrapper) {
            hooks::UnhookHookTable(*gameWrapper);
            outcome_.store(LoadOutcome::NotLoaded);
        }
    });
}

// Nothing here may leave: a load whose settings step failed must still hook, and conceal. Even
// the handling of a failure can fail (no memory for a line, a host wrapper that throws); the
// record then conceals everything and the file is left as it is.
void CloakMyIdentity::BringInSettings() {
    fileState_.leftAlone.store(false);
    SettingsLoad load = SettingsLoad::NotUsed;
    try {
        load = LoadOrSetAside();
    } catch (...) {
        ConcealEverything(settings);
        fileState_.leftAlone.store(true);
        ReportEscapedException("the settings load");
    }
    if (load != SettingsLoad::Used) {
        ShowSettingsToast("Settings file not used, concealing everything");
    }
    if (load == SettingsLoad::NotUsed) return;
    try {
        SaveSettings();
    } catch (const std::exception& error) {
        RunGuarded("the settings load", [&] {
            LogLine(fmt::format("settings folder {} cannot be used ({})", PathText(SettingsFolder),
                                FailureText(error)));
        });
    } catch (...) {
        ReportEscapedException("the settings load");
    }
}

CloakMyIdentity::SettingsLoad CloakMyIdentity::LoadOrSetAside() {
    try {
        LoadSettings();
        return SettingsLoad::Used;
    } catch (const nlohmann::json::exception& error) {
        settings = PluginSettings{};
        // A file that could not be moved aside is the user's only copy: like one that cannot be
        // read, no save writes over it until a load has read it.
        const bool setAside = SetAsideSettingsFile(error.what());
        fileState_.leftAlone.store(!setAside);
        return setAside ? SettingsLoad::SetAside : SettingsLoad::NotUsed;
    } catch (const UnreadableSettingsFile& error) {
        settings = PluginSettings{};
        fileState_.leftAlone.store(true);
        LogLine(fmt::format("{}; left as it is, concealing everything", error.what()));
    } catch (const std::exception& error) {
        settings = PluginSettings{};
        LogLine(fmt::format("settings folder {} cannot be used ({}); concealing everything",
                            PathText(SettingsFolder), FailureText(error)));
    }
    return SettingsLoad::NotUsed;
}

void CloakMyIdentity::ShowSettingsToast(const char* what) noexcept {
    RunGuarded("the settings file's notice", [&] {
        if (!gameWrapper) return;
        gameWrapper->Toast(
            kToastTitle, fmt::format("{}: {}", what, PathText(SettingsFolder / kSettingsFileName)),
            "default", kSettingsToastSeconds, ToastType_Warning);
    });
}

}  // namespace cloak
