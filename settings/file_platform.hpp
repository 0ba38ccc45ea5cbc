// The settings file's calls to the operating system, where Linux and Windows differ: writing a
// file in place, renaming over a file, and the folder names Windows alters. A platform seam: the
// product implements it for Windows (settings/file_platform_windows.cpp); on Linux the stand-ins
// do (sim/platform/file_platform_linux.cpp).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace cloak::file_platform {

struct InPlaceOutcome {
    std::string failure;  // empty when the whole text was written
    // Whether the old bytes were touched (only after all of the room was had).
    bool changed = false;
};

// Writes the text into the existing file as the platform's text files hold it (CRLF line ends on
// Windows), never shortening or overwriting the old bytes before the room for the whole new text
// is reserved: a full disk leaves the file as it was. Then cuts the file to the new length.
InPlaceOutcome WriteTextInPlace(const std::filesystem::path& file, std::string_view text);

// Renames `from` to `to`, replacing a file there. The reason as the user should read it when that
// failed (on Windows: another program holding either file open), else empty.
std::string RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

// Windows drops the dots and blanks that end a file or folder name, so a folder whose path has
// such a name cannot be reached by it. What is wrong with the first such name, else empty (and
// always empty elsewhere, where the name is kept as it is).
std::string NameTheSystemAlters(const std::filesystem::path& folder);

}  // namespace cloak::file_platform
