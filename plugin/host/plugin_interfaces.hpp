// Host SDK: the interfaces a plugin implements, and the record it exports.
//
// Virtual slot order is part of the host's binary interface: do not reorder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "plugin/host/cvar_manager_wrapper.hpp"
#include "plugin/host/game_wrapper.hpp"
#include "plugin/host/sdk_api.hpp"

// No virtual destructor: a plugin object is always destroyed by its shared owner, which knows the
// concrete class.
class SDK_API BakkesModPlugin {
public:
    BakkesModPlugin();
    BakkesModPlugin(const BakkesModPlugin&);
    BakkesModPlugin(BakkesModPlugin&&) noexcept;
    BakkesModPlugin& operator=(const BakkesModPlugin&);
    BakkesModPlugin& operator=(BakkesModPlugin&&) noexcept;
    ~BakkesModPlugin();

    virtual void onLoad();
    virtual void onUnload();

    // Filled by the host after getPlugin and before onLoad; released in reverse order.
    std::shared_ptr<CVarManagerWrapper> cvarManager;
    std::shared_ptr<GameWrapper> gameWrapper;
};

class SDK_API HybridPlugin {
public:
    virtual void SetObjectTable(std::uint64_t objectTableAddress);
    virtual void SetNameTable(std::uint64_t nameTableAddress);

protected:
    ~HybridPlugin() = default;
};

class SDK_API PluginSettingsWindow {
public:
    virtual ~PluginSettingsWindow();
    virtual void RenderSettings() = 0;
    virtual std::string GetSettingsPageName() = 0;
    virtual void AdoptImGuiContext(std::uintptr_t context) = 0;
};

// The plugin-information record. Every field is 8 bytes wide; the two integers are 32-bit values
// followed by four zero bytes.
struct PluginInfo {
    std::int32_t hostApiVersion;
    std::int32_t hostApiVersionHigh;
    const char* sourceFile;
    const char* className;
    const char* displayName;
    const char* pluginVersion;
    std::int32_t typeFlags;
    std::int32_t typeFlagsHigh;
    std::shared_ptr<BakkesModPlugin>* (*createFunction)();
    void (*destroyFunction)();
};
static_assert(sizeof(PluginInfo) == 64);
static_assert(offsetof(PluginInfo, hostApiVersion) == 0);
static_assert(offsetof(PluginInfo, sourceFile) == 8);
static_assert(offsetof(PluginInfo, className) == 16);
static_assert(offsetof(PluginInfo, displayName) == 24);
static_assert(offsetof(PluginInfo, pluginVersion) == 32);
static_assert(offsetof(PluginInfo, typeFlags) == 40);
static_assert(offsetof(PluginInfo, createFunction) == 48);
static_assert(offsetof(PluginInfo, destroyFunction) == 56);

inline constexpr std::int32_t kHostApiVersion = 95;
inline constexpr std::int32_t kPluginTypeFlags = 1;
