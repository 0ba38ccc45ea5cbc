// The settings file's calls to the operating system, where Linux and Windows differ: a text
// file's bytes, writing a new file to the disk, writing over an existing one in place, renaming
// over a file, and the folder names Windows alters. A platform seam: the product implements it
// for Windows (settings/file_platform_windows.cpp); on Linux the stand-ins do
// (sim/platform/file_platform_linux.cpp).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace cloak::file_platform {

// The bytes a text file of this platform holds for the text: CRLF line ends on Windows.
std::string TextFileBytes(std::string_view text);

struct NewFileOutcome {
    bool created = false;  // false: the file could not be made, and nothing was written
    std::string failure;   // empty when the whole of it reached the disk
};

// Makes `file`, which must not exist yet, with the given permissions (perms::unknown: as the
// system makes new files), writes the bytes and flushes them to the disk before it returns: a
// file renamed over another afterwards is never found empty after a power cut.
NewFileOutcome WriteNewFile(const std::filesystem::path& file, std::string_view bytes,
                            std::filesystem::perms permissions);

// An existing file opened for writing over it, one step at a time; each step's failure as the
// user should read it, else empty. settings/in_place_write.hpp puts the steps in an order that a
// kill or a power cut at any moment cannot spoil.
class InPlaceFile {
public:
    virtual ~InPlaceFile() = default;
    // Takes the room on the disk for the file to be `length` bytes long, growing it (the new
    // bytes read as zeros); the old bytes are not touched.
    virtual std::string Reserve(std::uint64_t length) = 0;
    virtual std::string WriteAt(std::uint64_t offset, std::string_view bytes) = 0;
    // Returns once everything written so far is on the disk.
    virtual std::string Flush() = 0;
    virtual std::string SetLength(std::uint64_t length) = 0;
};

// Opens an existing file to write over it, waits for the file's lock and holds it until the file
// is closed, and reads what the file holds into `bytes`; null, with `failure` set, when it cannot
// be opened or read. The lock keeps two processes from writing in place at once (each would
// move its record over the other's half-moved one) and loads from reading halfway through.
std::unique_ptr<InPlaceFile> OpenInPlace(const std::filesystem::path& file, std::string& bytes,
                                         std::string& failure);

// The file's bytes as they are on the disk (no line ends converted), read under the same lock,
// shared with other readers: never halfway through a write in place. Nothing when the file cannot
// be opened (errno, or the last error on Windows, says why).
std::optional<std::string> ReadLocked(const std::filesystem::path& file);

// Renames `from` to `to`, replacing a file there, and returns once the rename is on the disk.
// The reason as the user should read it when that failed (on Windows: another program holding
// either file open), else empty.
std::string RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

// An error of the system as the user should read it, as UTF-8 (on Windows in the system's own
// language; the library's message() would give it in the system's code page).
std::string SystemMessage(const std::error_code& error);

// Why the last system call of this thread failed, as SystemMessage words it.
std::string LastFailure();

// Windows drops the dots and blanks that end a file or folder name, so a folder whose path has
// such a name cannot be reached by it. What is wrong with the first such name, else empty (and
// always empty elsewhere, where the name is kept as it is).
std::string NameTheSystemAlters(const std::filesystem::path& folder);

}  // namespace cloak::file_platform
