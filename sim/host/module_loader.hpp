// Stand-in host: opening a plugin module and finding its exports, as the platform's loader does
// it (LoadLibraryW and GetProcAddress on Windows, dlopen and dlsym elsewhere).
#pragma once

#include <filesystem>
#include <string>

#include "plugin/host/sdk_api.hpp"

namespace sim::host {

// An opened module, or the loader's reason why it could not be opened. A module is never
// closed: the game may still hold callables the plugin handed over, and the real host never
// unloads a plugin's module while the game runs either.
struct OpenedModule {
    void* handle = nullptr;
    std::string error;  // UTF-8; empty when the module is open
};

SDK_API OpenedModule OpenModule(const std::filesystem::path& file);
// The address of an exported function or variable, or null.
SDK_API void* FindExport(void* module, const char* name);

}  // namespace sim::host
