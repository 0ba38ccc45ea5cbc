// The settings file: settings.json in the plugin's settings folder.
//
// Saving renames a finished temporary file over the old one, so a save cut short leaves the old
// file or the new one, never half of either. The file is text: written in text mode (CRLF line
// ends on Windows) and read whichever line ends it has.
#include "settings/settings_file.hpp"

#include <fmt/format.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <system_error>
#include <thread>

#include "plugin/cloak_my_identity.hpp"

namespace cloak {

std::function<void()> beforeSettingsReplaceForTesting;

UnreadableSettingsFile::UnreadableSettingsFile(const std::filesystem::path& file,
                                               const std::string& reason)
    : std::runtime_error(fmt::format("cannot read {}: {}", PathText(file), reason)) {}

namespace {

// ---- Files --------------------------------------------------------------------------------------

// One save at a time in this process: the drawing thread saves after every click while onLoad
// may save on the game thread. Other processes are kept apart by unique temporary names.
std::mutex saveMutex;

std::string LastSystemError() {
    return std::generic_category().message(errno);
}

std::filesystem::path WithSuffix(std::filesystem::path path, const std::string& suffix) {
    path += suffix;
    return path;
}

// What a save replaces: settings.json, or the file its chain of symbolic links ends at, so the
// link keeps pointing where the user keeps the settings.
std::filesystem::path SaveTarget(const std::filesystem::path& file) {
    constexpr int kMostLinks = 40;  // as the system follows them
    std::filesystem::path target = file;
    for (int link = 0; link < kMostLinks; ++link) {
        std::error_code error;
        if (!std::filesystem::is_symlink(target, error)) break;
        const std::filesystem::path next = std::filesystem::read_symlink(target, error);
        if (error) break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

// A name no other save uses, in the target's folder (a rename within one folder is one step):
// two processes saving at once must never write into one temporary file. Drawn afresh for every
// save, so that processes sharing a start (a fork) still draw apart.
std::filesystem::path TemporaryFor(const std::filesystem::path& target) {
    std::random_device device;
    const auto now = static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    const std::uint64_t drawn = (std::uint64_t{device()} << 32 | device()) ^ now;
    return WithSuffix(target, fmt::format(".{:016x}.tmp", drawn));
}

// Moves `from` over `to`. Another program may hold `to` open for a moment (on Windows a virus
// scanner, a backup or sync client, an editor), so a refused move is tried again for a few tens
// of milliseconds in all before it counts as failed. An empty folder in the way holds nobody's
// data and is removed; nothing else is removed before the move has succeeded.
std::error_code MoveOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    constexpr int kAttempts = 6;  // waits of 1, 2, 4, 8 and 16 ms between them
    bool emptyFolderRemoved = false;
    for (int attempt = 1;; ++attempt) {
        std::error_code error;
        std::filesystem::rename(from, to, error);
        if (!error) return error;
        std::error_code ignored;
        if (!emptyFolderRemoved && std::filesystem::is_directory(to, ignored) &&
            std::filesystem::remove(to, ignored)) {
            emptyFolderRemoved = true;
            continue;
        }
        if (attempt == kAttempts) return error;
        std::this_thread::sleep_for(std::chrono::milliseconds(1 << (attempt - 1)));
    }
}

// Writes the whole text to an open stream and closes it; the reason when that failed, else empty.
std::string WriteAndClose(std::ofstream& out, const std::string& text) {
    out << text;
    out.close();
    return out ? std::string() : LastSystemError();
}

// Where no new file can be made beside the target but the target itself can be written: the
// text goes into it directly. Such a save cut short leaves a broken file, which the next load
// sets aside. The target is opened without truncation first, so a target that cannot be
// written is never emptied.
std::string WriteInPlace(const std::filesystem::path& target, const std::string& text) {
    if (!std::ofstream(target, std::ios::in | std::ios::out).is_open()) return LastSystemError();
    std::ofstream out(target, std::ios::out | std::ios::trunc);
    if (!out.is_open()) return LastSystemError();
    return WriteAndClose(out, text);
}

struct SaveOutcome {
    bool written = false;
    std::string line;  // for the console; empty when there is nothing to say
};

// Writes the text to the target through a temporary file that then replaces it, keeping the
// target's permissions; in place when no temporary file can be made.
SaveOutcome ReplaceFile(const std::filesystem::path& file, const std::string& text) {
    const std::filesystem::path target = SaveTarget(file);
    std::error_code statusError;
    const std::filesystem::file_status status = std::filesystem::status(target, statusError);
    const bool existingFile = status.type() == std::filesystem::file_type::regular;
    const auto permissions = status.permissions();
    if (existingFile &&
        (permissions & std::filesystem::perms::owner_write) == std::filesystem::perms::none) {
        return {false, fmt::format("could not save {}: the file is read-only", PathText(file))};
    }

    const std::filesystem::path temporary = TemporaryFor(target);
    std::ofstream out(temporary, std::ios::out | std::ios::trunc);
    if (!out.is_open()) {
        const std::string reason = LastSystemError();
        if (!existingFile) {
            return {false, fmt::format("could not save {}: cannot create {}: {}", PathText(file),
                                       PathText(temporary), reason)};
        }
        if (const std::string inPlace = WriteInPlace(target, text); !inPlace.empty()) {
            return {false, fmt::format("could not save {}: cannot create a temporary file beside "
                                       "it ({}) nor write it in place ({})",
                                       PathText(file), reason, inPlace)};
        }
        return {true, fmt::format("saved {} in place: cannot create a temporary file beside it "
                                  "({})",
                                  PathText(file), reason)};
    }

    std::error_code ignored;
    if (existingFile) std::filesystem::permissions(temporary, permissions, ignored);
    std::string failure = WriteAndClose(out, text);
    if (failure.empty()) {
        if (beforeSettingsReplaceForTesting) beforeSettingsReplaceForTesting();
        if (const std::error_code moved = MoveOver(temporary, target)) failure = moved.message();
    }
    if (failure.empty()) return {true, {}};
    std::filesystem::remove(temporary, ignored);
    return {false, fmt::format("could not save {}: {}", PathText(file), failure)};
}

}  // namespace

// ---- SaveSettings -------------------------------------------------------------------------------

void CloakMyIdentity::SaveSettings() {
    std::filesystem::create_directories(SettingsFolder);
    const std::filesystem::path file = SettingsFolder / kSettingsFileName;

    // The copy is taken under the statistics lock, which the scoreboard handler takes on the
    // game thread; the disk is reached only after it is let go.
    nlohmann::json record;
    std::uint64_t copy = 0;
    {
        const auto statsLock = settings.Stats.Lock();
        record = settings;
        copy = ++fileState_.copiesTaken;
    }
    const std::string text = record.dump(4);

    std::lock_guard lock(saveMutex);
    if (copy < fileState_.copyOnDisk) return;  // a newer copy is on the disk already
    if (fileState_.leftAlone.load()) {
        LogLine(
            fmt::format("not saved: {} could not be read when the plugin loaded and is left "
                        "as it is until it can be",
                        PathText(file)));
        return;
    }
    const SaveOutcome outcome = ReplaceFile(file, text);
    if (!outcome.line.empty()) LogLine(outcome.line);
    if (outcome.written) fileState_.copyOnDisk = copy;
}

// ---- LoadSettings -------------------------------------------------------------------------------

void CloakMyIdentity::LoadSettings() {
    std::filesystem::create_directories(SettingsFolder);
    const std::filesystem::path file = SettingsFolder / kSettingsFileName;
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) return;
    if (error) throw UnreadableSettingsFile(file, error.message());
    // Opening a pipe for reading waits for a writer, for ever if none comes.
    if (status.type() != std::filesystem::file_type::regular) {
        throw UnreadableSettingsFile(file, "not a regular file");
    }
    std::ifstream in(file);
    if (!in.is_open()) throw UnreadableSettingsFile(file, LastSystemError());
    nlohmann::json parsed;
    in >> parsed;
    const PluginSettings loaded = parsed.get<PluginSettings>();
    settings = loaded;
}

// ---- SetAsideSettingsFile -----------------------------------------------------------------------

bool CloakMyIdentity::SetAsideSettingsFile(const std::string& why) {
    const std::filesystem::path file = SettingsFolder / kSettingsFileName;
    const std::filesystem::path aside = WithSuffix(file, ".bad");
    std::lock_guard lock(saveMutex);
    if (const std::error_code moved = MoveOver(file, aside)) {
        LogLine(
            fmt::format("settings file {} cannot be used ({}) nor moved aside ({}); left as it is, "
                        "concealing everything",
                        PathText(file), why, moved.message()));
        return false;
    }
    LogLine(
        fmt::format("settings file {} cannot be used ({}); kept it as {}, concealing everything",
                    PathText(file), why, PathText(aside)));
    return true;
}

}  // namespace cloak
