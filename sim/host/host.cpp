#include "sim/host/host.hpp"

#include <exception>

#include "plugin/host_extensions.hpp"
#include "sim/game/world.hpp"
#include "sim/host/module_loader.hpp"

namespace sim::host {

GameTables CurrentWorldTables() {
    const emu::World* world = emu::World::CurrentOrNull();
    if (world == nullptr) return {};
    return GameTables{world->ObjectTableAddress(), world->NameTableAddress()};
}

Host::Host(std::filesystem::path dataFolder, HostSdk sdk)
    : sdk_(sdk), state_(std::make_unique<HostState>()) {
    state_->dataFolder = std::move(dataFolder);
    gameWrapper_ = std::make_shared<GameWrapper>(state_.get());
    cvarManager_ = std::make_shared<CVarManagerWrapper>(state_.get());
}

Host::~Host() {
    Unload();
}

bool Host::Load(const std::filesystem::path& module, GameTables tables) {
    OpenedModule opened = OpenModule(module);
    if (opened.handle == nullptr) {
        state_->console.Write("cannot load plugin: " + opened.error);
        return false;
    }
    module_ = opened.handle;
    info_ = static_cast<const PluginInfo*>(FindExport(module_, "exports"));
    if (info_ == nullptr || info_->initializeFunc == nullptr) {
        const std::u8string path = module.u8string();
        state_->console.Write("cannot load plugin: no exports record in " +
                              std::string(path.begin(), path.end()));
        Unload();
        return false;
    }
    // The SDK types getPlugin as returning a number: the address of the plugin's shared owner. It
    // is called as what it is, a function returning that address (through the generic function
    // pointer type, the one conversion between function types the compiler takes as meant).
    using GetPluginOwner = std::shared_ptr<BakkesModPlugin>* (*)();
    using AnyFunction = void (*)();
    const auto getPlugin =
        reinterpret_cast<GetPluginOwner>(reinterpret_cast<AnyFunction>(info_->initializeFunc));
    Attach(*getPlugin(), tables);
    return true;
}

void Host::Attach(std::shared_ptr<BakkesModPlugin> plugin, GameTables tables) {
    plugin_ = std::move(plugin);
    plugin_->cvarManager = cvarManager_;
    plugin_->gameWrapper = gameWrapper_;
    // The interface is not the SDK's: the host knows it from the plugin's own header, and finds
    // it by its type-info's name, which is the same in both modules.
    auto* hybrid = dynamic_cast<HybridPlugin*>(plugin_.get());
    if (sdk_ == HostSdk::Hybrid && hybrid != nullptr) {
        hybrid->SetObjectTable(tables.objectTable);
        hybrid->SetNameTable(tables.nameTable);
    }
    try {
        plugin_->onLoad();
    } catch (const std::exception& error) {
        state_->console.Write(std::string("plugin ") +
                              (info_ != nullptr ? info_->className : "object") +
                              " failed to load: " + error.what());
    }
}

void Host::Unload() {
    if (module_ == nullptr && !plugin_) return;
    if (plugin_) plugin_->onUnload();
    // Hooks are the plugin's to remove, as with the real host: the host frees the ones the plugin
    // unhooked, and any it left behind stay registered, their next call running code of a module
    // that is gone (a test sees it crash).
    state_->hooks.ReleaseUnhooked();
    // The host removes a plugin's console commands and drawables with the plugin: their code is
    // the module's.
    state_->commands.Clear();
    state_->canvas.Clear();
    plugin_.reset();
    if (info_ != nullptr && info_->delFunc != nullptr) info_->delFunc();
    // Work the plugin queued and never saw run is code of the module too. With it and the hooks
    // gone, nothing of the module is reachable and it is unmapped, as the real host frees a
    // plugin's library when it unloads it: a module loaded again starts from fresh statics.
    state_->work.Take();
    if (module_ != nullptr) CloseModule(module_);
    module_ = nullptr;
    info_ = nullptr;
}

void Host::Tick(WorkQueue::Duration elapsed) {
    state_->work.RunAll(gameWrapper_.get(), elapsed);
    state_->canvas.DrawFrame(state_->work.Now());
}

void Host::PlayFor(WorkQueue::Duration span) {
    for (WorkQueue::Duration played{0}; played < span; played += kFrame) Tick();
}

PluginSettingsWindow* Host::SettingsWindow() const {
    return dynamic_cast<PluginSettingsWindow*>(plugin_.get());
}

}  // namespace sim::host
