// Fuzz target: arbitrary bytes as settings.json.
//
// Every input either loads, or raises the JSON library's error and leaves the record exactly as
// it was. A record that loaded from a file holding one JSON object has each switch as the file
// says, or its default (conceal) where the file lacks it: never the record's value from before.
// Anything else - a crash, another exception, a half-changed record, a sanitizer report - is a
// finding. This is the sweep of damaged files; the unit test (settings_recovery_test) loads a
// fixed sample of them through the host.
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
    const nlohmann::json record = plugin.settings;
    const nlohmann::json file = nlohmann::json::parse(data, data + size, nullptr, false);
    if (!file.is_discarded() && file.is_object()) {
        const nlohmann::json defaults = PluginSettings{};
        for (const auto& [key, value] : record.items()) {
            if (key == "Stats") continue;  // its names are the table's, not the file's spelling
            if (value != (file.contains(key) ? file[key] : defaults[key])) std::abort();
        }
    }
    // A record that loaded saves and loads back to itself.
    const std::string loaded = record.dump();
    plugin.SaveSettings();
    plugin.LoadSettings();
    if (nlohmann::json(plugin.settings).dump() != loaded) std::abort();
    return 0;
}
