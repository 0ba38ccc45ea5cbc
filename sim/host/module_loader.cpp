#include "sim/host/module_loader.hpp"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace sim::host {

#if defined(_WIN32)

namespace {

// The system's message for an error code, as UTF-8.
std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = "error " + std::to_string(code);
    if (length > 0) {
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr,
                                              0, nullptr, nullptr);
        std::string utf8(static_cast<std::size_t>(bytes), '\0');
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8.data(), bytes, nullptr,
                            nullptr);
        while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r')) utf8.pop_back();
        message += ": " + utf8;
    }
    LocalFree(text);
    return message;
}

}  // namespace

OpenedModule OpenModule(const std::filesystem::path& file) {
    // The wide path: a user's folder may hold any character.
    HMODULE module = LoadLibraryW(file.c_str());
    if (module == nullptr) return {nullptr, SystemMessage(GetLastError())};
    return {module, {}};
}

void* FindExport(void* module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void CloseModule(void* module) {
    FreeLibrary(static_cast<HMODULE>(module));
}

#else

OpenedModule OpenModule(const std::filesystem::path& file) {
    void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) return {nullptr, dlerror()};
    return {module, {}};
}

void* FindExport(void* module, const char* name) {
    return dlsym(module, name);
}

void CloseModule(void* module) {
    dlclose(module);
}

#endif

}  // namespace sim::host
