// Host SDK: the class a plugin derives from, and the record a plugin exports.
#pragma once

#include <cstdint>
#include <memory>

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/GameWrapper.h"
#include "bakkesmod/wrappers/cvarmanagerwrapper.h"

namespace BakkesMod::Plugin {

typedef std::uintptr_t (*GetPluginFunc)();
typedef void (*deleteFunc)();

// What the host reads from a plugin module's export "exports" before it creates anything.
struct PluginInfo {
    short apiBuildVersion;
    const char* fileName;
    const char* className;
    const char* pluginName;
    const char* pluginVersion;
    const unsigned long pluginType;
    GetPluginFunc initializeFunc;
    deleteFunc delFunc;
};

// Defined entirely here, so that each plugin module carries (and exports) its own copy. No
// virtual destructor: a plugin object is always destroyed by its shared owner, which knows the
// concrete class. The host fills both members after getPlugin and before onLoad.
class BAKKESMOD_PLUGIN_EXPORT BakkesModPlugin {
public:
    std::shared_ptr<CVarManagerWrapper> cvarManager;
    std::shared_ptr<GameWrapper> gameWrapper;

    virtual void onLoad() {}
    virtual void onUnload() {}
};

}  // namespace BakkesMod::Plugin

// Declares a plugin module's exports: its one plugin object, getPlugin, deleteMe and exports.
#define BAKKESMOD_PLUGIN(classType, pluginName, pluginVersion, pluginType)                         \
    static std::shared_ptr<classType> singleton;                                                   \
    extern "C" {                                                                                   \
    BAKKESMOD_PLUGIN_EXPORT std::uintptr_t getPlugin() {                                           \
        if (!singleton) singleton = std::shared_ptr<classType>(new classType());                   \
        return reinterpret_cast<std::uintptr_t>(&singleton);                                       \
    }                                                                                              \
    BAKKESMOD_PLUGIN_EXPORT void deleteMe() {                                                      \
        singleton = nullptr;                                                                       \
    }                                                                                              \
    BAKKESMOD_PLUGIN_EXPORT BakkesMod::Plugin::PluginInfo exports = {BAKKESMOD_PLUGIN_API_VERSION, \
                                                                     __FILE__,                     \
                                                                     #classType,                   \
                                                                     pluginName,                   \
                                                                     pluginVersion,                \
                                                                     pluginType,                   \
                                                                     getPlugin,                    \
                                                                     deleteMe};                    \
    }
