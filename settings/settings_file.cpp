// The settings file: settings.json in the plugin's settings folder.
//
// Saving renames a finished temporary file, flushed to the disk, over the old one, so a save cut
// short or a power cut leaves the old file or the new one, never half of either; where no
// temporary file can be made, settings/in_place_write.hpp gives the same promise. A save that
// would write what the file already holds writes nothing. The file is text: written as the
// platform's text files are (CRLF line ends on Windows) and read whichever line ends it has. The
// calls that differ between Linux and Windows are behind file_platform.hpp.
//
// Index
//   Files: folder, names, moves
//   Temporary files of saves cut short
//   Saving: through a temporary file, or in place
//   SaveSettings, LoadSettings, SetAsideSettingsFile
#include "settings/settings_file.hpp"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "plugin/cloak_my_identity.hpp"
#include "settings/file_platform.hpp"
#include "settings/in_place_write.hpp"

namespace cloak {

std::function<void()> beforeSettingsReplaceForTesting;
std::function<void()> beforeSettingsSetAsideForTesting;

UnreadableSettingsFile::UnreadableSettingsFile(const std::filesystem::path& file,
                                               const std::string& reason)
    : std::runtime_error(fmt::format("cannot read {}: {}", PathText(file), reason)) {}

namespace {

// ---- Files --------------------------------------------------------------------------------------

// One save at a time in this process: the drawing thread saves after every click while onLoad
// may save on the game thread. Other processes are kept apart by unique temporary names.
std::mutex saveMutex;

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

// Moves `from` over `to`; the reason when that failed, else empty. Another program may hold `to`
// open for a moment (on Windows a virus scanner, a backup or sync client, an editor), so a refused
// move is tried again for a few tens of milliseconds in all before it counts as failed. An empty
// folder in the way holds nobody's data and is removed; nothing else is removed before the move
// has succeeded.
// How often a step that another program can refuse for a moment is tried, and the wait after
// each refusal: 1, 2, 4, 8 and 16 ms.
constexpr int kAttempts = 6;
void WaitAfterAttempt(int attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1 << (attempt - 1)));
}

std::string MoveOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    bool emptyFolderRemoved = false;
    for (int attempt = 1;; ++attempt) {
        std::string failure = file_platform::RenameReplacing(from, to);
        if (failure.empty()) return failure;
        std::error_code ignored;
        if (!emptyFolderRemoved && std::filesystem::is_directory(to, ignored) &&
            std::filesystem::remove(to, ignored)) {
            emptyFolderRemoved = true;
            continue;
        }
        if (attempt == kAttempts) return failure;
        WaitAfterAttempt(attempt);
    }
}

// The file's bytes, or nothing when it cannot be read. On Windows a file that a save is replacing
// at that moment, or that another program holds, refuses to open for a moment: a refused read is
// tried again, as a move is.
std::optional<std::string> ReadSettingsBytes(const std::filesystem::path& file) {
    for (int attempt = 1;; ++attempt) {
        std::optional<std::string> bytes = ReadWholeFile(file);
        if (bytes || attempt == kAttempts) return bytes;
        WaitAfterAttempt(attempt);
    }
}

// Creates the folder and any missing parent, or raises the file system's error. A name that the
// system would alter (Windows drops a name's final dots and blanks) is refused first: the folder
// made would not be the one named, and the system's error for the next step ("No such file or
// directory", on every load) would not say why.
void MakeFolder(const std::filesystem::path& folder) {
    if (const std::string name = file_platform::NameTheSystemAlters(folder); !name.empty()) {
        throw std::runtime_error(name);
    }
    std::filesystem::create_directories(folder);
}

// The name a file that cannot be used is kept under: the first free one of settings.json.bad,
// settings.json.bad.1 ... settings.json.bad.9 (an empty folder of that name holds nobody's data and
// counts as free). When all are taken the last is replaced, so the oldest nine stay and the newest
// replaces the previous newest; no other set-aside file is ever deleted.
std::filesystem::path SetAsideName(const std::filesystem::path& file) {
    constexpr int kMostSetAside = 10;
    std::filesystem::path name;
    for (int number = 0; number < kMostSetAside; ++number) {
        name = WithSuffix(file, number == 0 ? std::string(".bad") : fmt::format(".bad.{}", number));
        std::error_code error;
        const std::filesystem::file_type type = std::filesystem::symlink_status(name, error).type();
        if (type == std::filesystem::file_type::not_found) break;
        if (type == std::filesystem::file_type::directory &&
            std::filesystem::is_empty(name, error) && !error) {
            break;
        }
    }
    return name;
}

// ---- Temporary files of saves cut short ---------------------------------------------------------

// How long one of our temporary files stays untouched before it counts as abandoned. A live save
// writes its file within moments and every write moves the file's time, so only a save that was
// killed, or whose machine stopped, leaves one this old.
constexpr auto kAbandonedAfter = std::chrono::minutes(10);

// Whether the name is one that TemporaryFor gives: the file's name, a dot, sixteen lower-case hex
// digits, ".tmp".
bool IsTemporaryName(std::u8string_view name, std::u8string_view fileName) {
    constexpr std::size_t kDigits = 16;
    constexpr std::u8string_view kEnd = u8".tmp";
    if (name.size() != fileName.size() + 1 + kDigits + kEnd.size() || !name.starts_with(fileName) ||
        name[fileName.size()] != u8'.' || !name.ends_with(kEnd)) {
        return false;
    }
    const std::u8string_view digits = name.substr(fileName.size() + 1, kDigits);
    return std::all_of(digits.begin(), digits.end(), [](char8_t c) {
        return (c >= u8'0' && c <= u8'9') || (c >= u8'a' && c <= u8'f');
    });
}

// Removes the abandoned temporary files of saves of `file`, in its folder; nothing else.
void RemoveAbandonedTemporaryFiles(const std::filesystem::path& file) {
    const std::u8string fileName = file.filename().u8string();
    const auto now = std::filesystem::file_time_type::clock::now();
    std::vector<std::filesystem::path> abandoned;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(file.parent_path(), error), end;
         !error && entry != end; entry.increment(error)) {
        if (!IsTemporaryName(entry->path().filename().u8string(), fileName)) continue;
        std::error_code entryError;
        if (!entry->is_regular_file(entryError) || entry->is_symlink(entryError)) continue;
        const std::filesystem::file_time_type written = entry->last_write_time(entryError);
        if (!entryError && written <= now - kAbandonedAfter) abandoned.push_back(entry->path());
    }
    for (const std::filesystem::path& temporary : abandoned) {
        std::filesystem::remove(temporary, error);
    }
}

// ---- Saving -------------------------------------------------------------------------------------

struct SaveOutcome {
    bool written = false;  // the file holds the new bytes (perhaps it did already)
    std::string line;      // for the console; empty when there is nothing to say
};

// A save's temporary file beside its target, written in full and flushed to the disk; removed
// when the save ends without it having replaced the target.
class TemporaryFile {
public:
    TemporaryFile() = default;
    ~TemporaryFile() {
        std::error_code ignored;
        if (outcome_.created) std::filesystem::remove(path_, ignored);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    void Write(const std::filesystem::path& target, const std::string& bytes,
               std::filesystem::perms permissions) {
        path_ = TemporaryFor(target);
        outcome_ = file_platform::WriteNewFile(path_, bytes, permissions);
        written_ = true;
    }
    bool Written() const { return written_; }
    bool Ready() const { return outcome_.created && outcome_.failure.empty(); }
    const file_platform::NewFileOutcome& Outcome() const { return outcome_; }
    const std::filesystem::path& Path() const { return path_; }
    void Renamed() { outcome_.created = false; }

private:
    std::filesystem::path path_;
    file_platform::NewFileOutcome outcome_;
    bool written_ = false;
};

// The save's target as it is now: whether it is a regular file, its permissions, and whether it
// holds exactly the bytes the save would write.
struct TargetState {
    bool existingFile = false;
    std::filesystem::perms permissions = std::filesystem::perms::unknown;
    bool readOnly = false;
    std::optional<std::string> bytes;  // for an existing file that can be read
};

TargetState StateOf(const std::filesystem::path& target) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(target, error);
    TargetState state;
    state.existingFile = status.type() == std::filesystem::file_type::regular;
    if (!state.existingFile) return state;
    state.permissions = status.permissions();
    state.readOnly =
        (state.permissions & std::filesystem::perms::owner_write) == std::filesystem::perms::none;
    state.bytes = ReadWholeFile(target);
    return state;
}

// Makes the target hold the bytes: nothing to do when it does already; else the temporary file
// (written now unless it was before the save lock was taken) replaces it, or, when none can be
// made, the target is written in place. Under the save lock.
SaveOutcome ReplaceFile(const std::filesystem::path& file, const std::filesystem::path& target,
                        const std::string& bytes, TemporaryFile& temporary) {
    const TargetState state = StateOf(target);
    if (state.readOnly) {
        return {false, fmt::format("could not save {}: the file is read-only", PathText(file))};
    }
    if (state.bytes == bytes) return {true, {}};
    if (!temporary.Written()) temporary.Write(target, bytes, state.permissions);

    const file_platform::NewFileOutcome& made = temporary.Outcome();
    if (made.created) {
        std::string failure = made.failure;
        if (failure.empty()) failure = MoveOver(temporary.Path(), target);
        if (!failure.empty()) {
            return {false, fmt::format("could not save {}: {}", PathText(file), failure)};
        }
        temporary.Renamed();
        return {true, {}};
    }
    if (!state.existingFile) {
        return {false, fmt::format("could not save {}: cannot create {}: {}", PathText(file),
                                   PathText(temporary.Path()), made.failure)};
    }
    const InPlaceOutcome inPlace = WriteFileInPlace(target, bytes);
    if (!inPlace.failure.empty()) {
        return {false,
                fmt::format("could not save {}: cannot create a temporary file beside it "
                            "({}) nor write it in place ({}); {}",
                            PathText(file), made.failure, inPlace.failure,
                            inPlace.changed ? "the next load reads the old choices or the new ones"
                                            : "the file is as it was")};
    }
    return {true, fmt::format("saved {} in place: cannot create a temporary file beside it ({})",
                              PathText(file), made.failure)};
}

}  // namespace

// ---- SaveSettings -------------------------------------------------------------------------------

bool CloakMyIdentity::SaveSettings() {
    MakeFolder(SettingsFolder);
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
    const std::string bytes = file_platform::TextFileBytes(record.dump(4));
    const std::filesystem::path target = SaveTarget(file);

    // Writing and flushing the temporary file is the slow part of a save, and its name is its
    // own, so it is done before the save lock is taken; not when the file holds the record
    // already, nor when it is not to be replaced.
    TemporaryFile temporary;
    if (const TargetState state = StateOf(target);
        !fileState_.leftAlone.load() && !state.readOnly && state.bytes != bytes) {
        temporary.Write(target, bytes, state.permissions);
        if (temporary.Ready() && beforeSettingsReplaceForTesting) beforeSettingsReplaceForTesting();
    }

    std::lock_guard lock(saveMutex);
    if (copy < fileState_.copyOnDisk) return true;  // a newer copy is on the disk already
    if (fileState_.leftAlone.load()) {
        LogLine(
            fmt::format("not saved: {} was left as it is when the plugin loaded; it holds "
                        "choices this run never learnt, so no save writes over it until a "
                        "load reads it",
                        PathText(file)));
        return false;
    }
    const SaveOutcome outcome = ReplaceFile(file, target, bytes, temporary);
    if (!outcome.line.empty()) LogLine(outcome.line);
    if (outcome.written) fileState_.copyOnDisk = copy;
    return outcome.written;
}

// ---- LoadSettings -------------------------------------------------------------------------------

void CloakMyIdentity::LoadSettings() {
    MakeFolder(SettingsFolder);
    const std::filesystem::path file = SettingsFolder / kSettingsFileName;
    RemoveAbandonedTemporaryFiles(file);
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) return;
    if (error) throw UnreadableSettingsFile(file, file_platform::SystemMessage(error));
    // Opening a pipe for reading waits for a writer, for ever if none comes.
    if (status.type() != std::filesystem::file_type::regular) {
        throw UnreadableSettingsFile(file, "not a regular file");
    }
    std::optional<std::string> bytes = ReadSettingsBytes(file);
    if (!bytes) throw UnreadableSettingsFile(file, file_platform::LastFailure());
    fileState_.bytesLoaded = std::move(*bytes);
    // The first JSON value is the record; text after it is not read.
    std::istringstream in{std::string(RecordText(fileState_.bytesLoaded))};
    nlohmann::json parsed;
    in >> parsed;
    const PluginSettings loaded = parsed.get<PluginSettings>();
    settings = loaded;

    // A file from before a switch existed lacks its member, which takes its default (conceal);
    // the save after the load writes it.
    const nlohmann::json complete = PluginSettings{};
    std::vector<std::string> added;
    for (const auto& member : complete.items()) {
        if (!parsed.contains(member.key())) added.push_back(member.key());
    }
    if (!added.empty()) {
        LogLine(fmt::format("settings file {} lacked {}; added with the default, which conceals",
                            PathText(file), fmt::join(added, ", ")));
    }
}

// ---- SetAsideSettingsFile -----------------------------------------------------------------------

// A settings.json that is a symbolic link stays one: the file it points to is set aside beside
// itself, and the save that follows writes the fresh file through the link. A save of the page
// may have replaced the file since the load read it: then there is nothing to set aside, and a
// record that can be used is never moved away as one that cannot. The save lock keeps saves out
// between that check and the move.
bool CloakMyIdentity::SetAsideSettingsFile(const std::string& why) {
    const std::filesystem::path file = SettingsFolder / kSettingsFileName;
    std::lock_guard lock(saveMutex);
    const std::filesystem::path target = SaveTarget(file);
    if (ReadWholeFile(target) != fileState_.bytesLoaded) {
        LogLine(
            fmt::format("settings file {} could not be used ({}) and has been saved again "
                        "since; concealing everything",
                        PathText(file), why));
        return true;
    }
    if (beforeSettingsSetAsideForTesting) beforeSettingsSetAsideForTesting();
    const std::filesystem::path aside = SetAsideName(target);
    if (const std::string failure = MoveOver(target, aside); !failure.empty()) {
        LogLine(
            fmt::format("settings file {} cannot be used ({}) nor moved aside to {} ({}); left "
                        "as it is, concealing everything",
                        PathText(file), why, PathText(aside), failure));
        return false;
    }
    LogLine(
        fmt::format("settings file {} cannot be used ({}); kept it as {}, concealing everything",
                    PathText(file), why, PathText(aside)));
    return true;
}

}  // namespace cloak
