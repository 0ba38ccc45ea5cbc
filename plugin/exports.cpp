// What the plugin module exports to the host: getPlugin, deleteMe and the record `exports`, plus
// the SDK's BakkesModPlugin, which its header marks for export. Nothing else leaves the module:
// on Windows only what is marked dllexport is exported, elsewhere plugin/exports.map hides the
// rest.
#include <memory>

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "plugin/cloak_my_identity.hpp"
#include "plugin/host_extensions.hpp"

extern "C" {

// Returns the address of the one plugin object's owner, building the object on the first call;
// null when it cannot be built (plugin/cloak_my_identity.cpp).
BAKKESMOD_PLUGIN_EXPORT std::shared_ptr<cloak::BakkesModPlugin>* getPlugin() {
    return cloak::PluginOwner();
}

// Drops the process-wide reference; the object goes when its last owner lets go.
BAKKESMOD_PLUGIN_EXPORT void deleteMe() {
    cloak::ReleasePlugin();
}

// Writable, as the SDK's macro makes it: a host written against the SDK may treat it as the
// writable record it declares, and a write into read-only data would take the game down.
BAKKESMOD_PLUGIN_EXPORT extern cloak::PluginExports exports;
cloak::PluginExports exports = {
    BAKKESMOD_PLUGIN_API_VERSION,
    __FILE__,
    "CloakMyIdentity",
    "Plugin to hide everything",
    CLOAK_VERSION,
    PLUGINTYPE_FREEPLAY,
    &getPlugin,
    &deleteMe,
};

}  // extern "C"
