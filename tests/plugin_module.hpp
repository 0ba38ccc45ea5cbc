// Test support: the built plugin module, opened the way the host opens it.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "bakkesmod/plugin/bakkesmodplugin.h"
#include "sim/host/module_loader.hpp"

namespace testing_support {

using GetPluginFunction = std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin>* (*)();
using DeleteMeFunction = void (*)();

// The module stays open for the rest of the process, as with the host.
class PluginModule {
public:
    PluginModule() {
        const sim::host::OpenedModule opened = sim::host::OpenModule(CLOAK_PLUGIN_PATH);
        if (opened.handle == nullptr) ADD_FAILURE() << opened.error;
        handle_ = opened.handle;
    }

    void* Symbol(const char* name) const {
        return handle_ ? sim::host::FindExport(handle_, name) : nullptr;
    }
    GetPluginFunction getPlugin() const {
        return reinterpret_cast<GetPluginFunction>(Symbol("getPlugin"));
    }
    DeleteMeFunction deleteMe() const {
        return reinterpret_cast<DeleteMeFunction>(Symbol("deleteMe"));
    }

private:
    void* handle_ = nullptr;
};

}  // namespace testing_support
