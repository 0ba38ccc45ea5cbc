// The settings file: settings.json in the plugin's settings folder.
//
// Saving writes the whole text to a temporary file beside settings.json and renames it over the
// old one, so a save cut short leaves the old file or the new one, never half of either.
#include <fstream>
#include <mutex>

#include <fmt/format.h>

#include "plugin/cloak_my_identity.hpp"

namespace {

// The drawing thread saves after every click while onLoad may save on the game thread.
std::mutex saveMutex;

void LogSaveFailure(const std::filesystem::path& file, const std::string& why) {
    if (sharedConsole) sharedConsole->log(fmt::format("could not save {}: {}", file.string(), why));
}

}  // namespace

void CloakMyIdentity::SaveSettings() {
    // Statistics first, then the file: the settings page saves from inside a walk of Stats.
    const auto statsLock = settings.Stats.Lock();
    std::lock_guard lock(saveMutex);
    std::filesystem::create_directories(SettingsFolder);
    const std::filesystem::path file = SettingsFolder / kSettingsFileName;
    std::filesystem::path temporary = file;
    temporary += ".tmp";

    const std::string text = nlohmann::json(settings).dump(4);
    {
        std::ofstream out(temporary, std::ios::out | std::ios::trunc);
        if (!out.is_open()) return LogSaveFailure(file, "cannot open " + temporary.string());
        out << text;
        out.close();
        if (!out) return LogSaveFailure(file, "cannot write " + temporary.string());
    }
    std::error_code renamed;
    std::filesystem::rename(temporary, file, renamed);
    if (renamed) LogSaveFailure(file, renamed.message());
}

void CloakMyIdentity::LoadSettings() {
    std::filesystem::create_directories(SettingsFolder);
    std::ifstream in(SettingsFolder / kSettingsFileName);
    if (!in.is_open()) return;
    nlohmann::json parsed;
    in >> parsed;
    const PluginSettings loaded = parsed.get<PluginSettings>();
    settings = loaded;
}
