// Fuzz target: arbitrary bytes as settings.json.
//
// Every input either loads, or raises the JSON library's error and leaves the record exactly as
// it was. Anything else - a crash, another exception, a half-changed record, a sanitizer report -
// is a finding.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "plugin/cloak_my_identity.hpp"

using namespace cloak;

namespace {

std::filesystem::path FuzzFolder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("cloak-fuzz-" + std::to_string(static_cast<long>(::getpid())));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CloakMyIdentity plugin;
    plugin.SettingsFolder = FuzzFolder();
    plugin.settings.bShowNames.set(false);  // a record that differs from the defaults
    {
        std::ofstream out(plugin.SettingsFolder / kSettingsFileName,
                          std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const std::string before = nlohmann::json(plugin.settings).dump();
    try {
        plugin.LoadSettings();
    } catch (const nlohmann::json::exception&) {
        if (nlohmann::json(plugin.settings).dump() != before) std::abort();
        return 0;
    }
    // A record that loaded saves and loads back to itself.
    const std::string loaded = nlohmann::json(plugin.settings).dump();
    plugin.SaveSettings();
    plugin.LoadSettings();
    if (nlohmann::json(plugin.settings).dump() != loaded) std::abort();
    return 0;
}
