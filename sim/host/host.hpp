// Stand-in host: loads a plugin module the way the real host does and keeps its console.
//
// Load: open the module, read its `exports` record, call initializeFunc (getPlugin), fill the
// plugin's cvarManager and gameWrapper, hand over the object and name table addresses through
// HybridPlugin (a hybrid host only), call onLoad. Unload: call onUnload, drop the plugin's console
// commands and the host's references, call delFunc (deleteMe), drop the work the plugin queued,
// then unmap the module, as the real host frees a plugin's library. Hooks are the plugin's to
// remove (in onUnload), as with the real host. An exception escaping onLoad is written to the
// console, as the real host reports a plugin that failed to load.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bakkesmod/plugin/PluginSettingsWindow.h"
#include "bakkesmod/plugin/bakkesmodplugin.h"
#include "sim/host/host_api.hpp"
#include "sim/host/host_state.hpp"

namespace sim::host {

using BakkesMod::Plugin::BakkesModPlugin;
using BakkesMod::Plugin::PluginInfo;
using BakkesMod::Plugin::PluginSettingsWindow;

struct GameTables {
    std::uint64_t objectTable = 0;
    std::uint64_t nameTable = 0;
};

// Which host: one with the HybridPlugin handover of the game's tables, or the host as its makers
// publish it, which never calls HybridPlugin (the plugin then finds the tables itself).
enum class HostSdk { Hybrid, Public };

// The table addresses of the current game world (zero when there is none).
SIM_HOST_API GameTables CurrentWorldTables();

class SIM_HOST_API Host {
public:
    explicit Host(std::filesystem::path dataFolder, HostSdk sdk = HostSdk::Hybrid);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Opens the module and runs it up to the end of onLoad. Returns false, with a console line,
    // when the module cannot be opened or lacks its exports; true otherwise (also when onLoad
    // threw: the plugin stays loaded, as with the real host).
    bool Load(const std::filesystem::path& module, GameTables tables);
    // The same with the tables of the current game world.
    bool Load(const std::filesystem::path& module) { return Load(module, CurrentWorldTables()); }
    // The same load steps for a plugin object the caller built itself (getPlugin's part done).
    // A public host ignores `tables`.
    void Attach(std::shared_ptr<BakkesModPlugin> plugin, GameTables tables);
    void Unload();

    // One frame of the game, at 60 frames a second.
    static constexpr WorkQueue::Duration kFrame{16'667};
    // The game thread's tick, `elapsed` after the one before: the game's time moves on, the work
    // queued through GameWrapper::Execute, and through SetTimeout once due, runs, and then the
    // plugin's drawables draw the frame.
    void Tick(WorkQueue::Duration elapsed = kFrame);
    // The game thread ticking frame by frame for `span` of game time.
    void PlayFor(WorkQueue::Duration span);

    const PluginInfo* Info() const { return info_; }
    BakkesModPlugin* Plugin() const { return plugin_.get(); }
    PluginSettingsWindow* SettingsWindow() const;
    std::shared_ptr<GameWrapper> Game() const { return gameWrapper_; }
    HostState& State() { return *state_; }
    std::vector<std::string> ConsoleLines() const { return state_->console.Lines(); }
    std::vector<ShownToast> Toasts() const { return state_->toasts.Shown(); }
    // A line typed into the host's console.
    void ExecuteCommand(const std::string& line) { cvarManager_->executeCommand(line); }

private:
    HostSdk sdk_;
    std::unique_ptr<HostState> state_;
    std::shared_ptr<GameWrapper> gameWrapper_;
    std::shared_ptr<CVarManagerWrapper> cvarManager_;
    void* module_ = nullptr;
    const PluginInfo* info_ = nullptr;
    std::shared_ptr<BakkesModPlugin> plugin_;
};

}  // namespace sim::host
