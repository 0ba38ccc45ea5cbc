// What the plugin module exports to the host: getPlugin, deleteMe and the record `exports`.
// Nothing else leaves the module: on Windows only what is marked dllexport is exported, elsewhere
// plugin/exports.map hides the rest.
#include <memory>

#include "plugin/cloak_my_identity.hpp"

#if defined(_WIN32)
#define PLUGIN_EXPORT __declspec(dllexport)
#else
#define PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

// Returns the address of the one plugin object's owner, building the object on the first call.
PLUGIN_EXPORT std::shared_ptr<BakkesModPlugin>* getPlugin() {
    if (!cloak::pluginInstance) {
        // The owner's count block is allocated apart from the object, and the owner destroys
        // the object as a CloakMyIdentity (BakkesModPlugin has no virtual destructor).
        cloak::pluginInstance = std::shared_ptr<BakkesModPlugin>(new cloak::CloakMyIdentity());
    }
    return &cloak::pluginInstance;
}

// Drops the process-wide reference; the object goes when its last owner lets go.
PLUGIN_EXPORT void deleteMe() {
    std::shared_ptr<BakkesModPlugin> released = std::move(cloak::pluginInstance);
}

PLUGIN_EXPORT extern const PluginInfo exports;
const PluginInfo exports = {
    kHostApiVersion,  0, __FILE__,   "CloakMyIdentity", "Plugin to hide everything", CLOAK_VERSION,
    kPluginTypeFlags, 0, &getPlugin, &deleteMe,
};

}  // extern "C"
