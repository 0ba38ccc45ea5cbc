// The settings file: settings.json in the plugin's settings folder.
//
// Index
//   Helpers           - path text for the console, moving one file over another
//   SaveSettings      - whole text to a temporary file, then renamed over settings.json
//   LoadSettings      - parse and convert into a fresh record; assign only when all of it worked
//   SetAsideSettingsFile - keeps an unusable file as settings.json.bad
//
// Saving renames a finished temporary file over the old one, so a save cut short leaves the old
// file or the new one, never half of either.
#include <fmt/format.h>

#include <fstream>
#include <mutex>
#include <string>
#include <system_error>

#include "plugin/cloak_my_identity.hpp"

namespace {

// The drawing thread saves after every click while onLoad may save on the game thread.
std::mutex saveMutex;

// Console text is narrow; a path's native narrow form may not hold every character of a user's
// folder name (Windows code pages), its UTF-8 form always does.
std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

void Log(const std::string& line) {
    if (sharedConsole) sharedConsole->log(line);
}

// Renames `from` to `to`, replacing `to`. POSIX and MSVC's library replace in one step; where a
// library refuses because `to` exists, `to` is removed and the rename tried once more.
void MoveOver(const std::filesystem::path& from, const std::filesystem::path& to,
              std::error_code& error) {
    std::filesystem::rename(from, to, error);
    std::error_code checked;
    if (!error || !std::filesystem::exists(from, checked)) return;
    std::error_code removed;
    if (std::filesystem::remove(to, removed) && !removed) std::filesystem::rename(from, to, error);
}

std::filesystem::path WithSuffix(std::filesystem::path path, const char* suffix) {
    path += suffix;
    return path;
}

}  // namespace

void CloakMyIdentity::SaveSettings() {
    // Statistics first, then the file: the settings page saves from inside a walk of Stats.
    const auto statsLock = settings.Stats.Lock();
    std::lock_guard lock(saveMutex);
    std::filesystem::create_directories(SettingsFolder);
    const std::filesystem::path file = SettingsFolder / kSettingsFileName;
    const std::filesystem::path temporary = WithSuffix(file, ".tmp");

    const std::string text = nlohmann::json(settings).dump(4);
    std::string failure;
    {
        std::ofstream out(temporary, std::ios::out | std::ios::trunc);
        if (!out.is_open()) {
            failure = "cannot open " + PathText(temporary);
        } else {
            out << text;
            out.close();
            if (!out) failure = "cannot write " + PathText(temporary);
        }
    }
    if (failure.empty()) {
        std::error_code moved;
        MoveOver(temporary, file, moved);
        if (moved) failure = moved.message();
    }
    if (failure.empty()) return;
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    Log(fmt::format("could not save {}: {}", PathText(file), failure));
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

bool CloakMyIdentity::SetAsideSettingsFile(const std::string& why) {
    const std::filesystem::path file = SettingsFolder / kSettingsFileName;
    const std::filesystem::path aside = WithSuffix(file, ".bad");
    std::error_code moved;
    MoveOver(file, aside, moved);
    if (moved) {
        Log(
            fmt::format("settings file {} cannot be used ({}) nor moved aside ({}); left as it is, "
                        "concealing everything",
                        PathText(file), why, moved.message()));
        return false;
    }
    Log(fmt::format("settings file {} cannot be used ({}); kept it as {}, concealing everything",
                    PathText(file), why, PathText(aside)));
    return true;
}
