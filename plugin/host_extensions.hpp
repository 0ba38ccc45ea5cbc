// What the plugin and its host share beyond the published SDK: the interface through which the
// host hands over the game's tables, our names for the settings page's calls, and the record the
// module exports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "bakkesmod/plugin/PluginSettingsWindow.h"
#include "bakkesmod/plugin/bakkesmodplugin.h"

// The host hands a plugin the addresses of the game's object and name tables through this
// interface, right after getPlugin. It finds the interface with dynamic_cast across the module
// boundary, which compares type-info by the class's mangled name: the name and namespace here
// are the host's contract, and host and plugin both declare it from this header.
class HybridPlugin {
public:
    virtual void SetObjectTable(std::uint64_t objectTableAddress) = 0;
    virtual void SetNameTable(std::uint64_t nameTableAddress) = 0;

protected:
    ~HybridPlugin() = default;
};

namespace cloak {

using BakkesMod::Plugin::BakkesModPlugin;

#if CLOAK_SETTINGS_PAGE
// The host's calls of the settings page, answered under our names (settings/settings_page.cpp).
class SettingsWindowBase : public BakkesMod::Plugin::PluginSettingsWindow {
public:
    std::string GetPluginName() override { return GetSettingsPageName(); }
    void SetImGuiContext(std::uintptr_t ctx) override { AdoptImGuiContext(ctx); }

    std::string GetSettingsPageName();
    void AdoptImGuiContext(std::uintptr_t context);
};
#else
// A build without Dear ImGui has no settings page; the host then shows none, and the settings
// file is the only way to change a switch.
class SettingsWindowBase {};
#endif

// The record the module exports as "exports", laid out as the host reads it (the SDK's
// PluginInfo). The SDK's own macro does not fit: getPlugin returns the address of the plugin's
// shared owner, and a record whose creation function had to be cast to the SDK's type would be
// built by code at load rather than laid out by the compiler.
struct PluginExports {
    short apiBuildVersion;
    const char* fileName;
    const char* className;
    const char* pluginName;
    const char* pluginVersion;
    std::uint32_t pluginType;  // the SDK's unsigned long, which is 32 bits on Windows
    std::shared_ptr<BakkesModPlugin>* (*initializeFunc)();
    void (*delFunc)();
};
static_assert(sizeof(PluginExports) == 64);
static_assert(offsetof(PluginExports, apiBuildVersion) == 0);
static_assert(offsetof(PluginExports, fileName) == 8);
static_assert(offsetof(PluginExports, className) == 16);
static_assert(offsetof(PluginExports, pluginName) == 24);
static_assert(offsetof(PluginExports, pluginVersion) == 32);
static_assert(offsetof(PluginExports, pluginType) == 40);
static_assert(offsetof(PluginExports, initializeFunc) == 48);
static_assert(offsetof(PluginExports, delFunc) == 56);

}  // namespace cloak
