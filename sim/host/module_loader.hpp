// Stand-in host: opening a plugin module and finding its exports, as the platform's loader does
// it (LoadLibraryW and GetProcAddress on Windows, dlopen and dlsym elsewhere).
#pragma once

#include <filesystem>
#include <string>

#include "sim/host/host_api.hpp"

namespace sim::host {

// An opened module, or the loader's reason why it could not be opened.
struct OpenedModule {
    void* handle = nullptr;
    std::string error;  // UTF-8; empty when the module is open
};

SIM_HOST_API OpenedModule OpenModule(const std::filesystem::path& file);
// The address of an exported function or variable, or null.
SIM_HOST_API void* FindExport(void* module, const char* name);
// Unmaps the module. Nothing of its code may be reachable any more: no hook, no queued work, no
// object it made.
SIM_HOST_API void CloseModule(void* module);

}  // namespace sim::host
