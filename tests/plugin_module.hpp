// Test support: the built plugin module, opened the way the host opens it.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <memory>

#include "plugin/host/plugin_interfaces.hpp"

namespace testing_support {

using GetPluginFunction = std::shared_ptr<BakkesModPlugin>* (*)();
using DeleteMeFunction = void (*)();

// The module stays open for the rest of the process, as with the host.
class PluginModule {
public:
    PluginModule() : handle_(dlopen(CLOAK_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL)) {
        if (handle_ == nullptr) ADD_FAILURE() << dlerror();
    }

    void* Symbol(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }
    GetPluginFunction getPlugin() const {
        return reinterpret_cast<GetPluginFunction>(Symbol("getPlugin"));
    }
    DeleteMeFunction deleteMe() const {
        return reinterpret_cast<DeleteMeFunction>(Symbol("deleteMe"));
    }

private:
    void* handle_;
};

}  // namespace testing_support
