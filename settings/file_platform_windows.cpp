// The settings file's calls to the operating system, on Windows. (Elsewhere the stand-ins provide
// them: sim/platform/file_platform_linux.cpp.)
#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "plugin/shared_console.hpp"
#include "settings/file_platform.hpp"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace cloak::file_platform {

namespace {

// The reason for a console line. Errors that C's errno has are worded as on POSIX; the library's
// own translation calls every other error "Input/output error", which hides the common cause of
// all: another program (a virus scanner, a backup or sync client, an editor) holding the file.
std::string ErrorText(DWORD code) {
    switch (code) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return "another program has the file open";
        case ERROR_ACCESS_DENIED:
            return std::generic_category().message(EACCES);
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return std::generic_category().message(ENOENT);
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return std::generic_category().message(ENOSPC);
        default:
            return fmt::format("Windows error {}", code);
    }
}

// The text mode of the platform's C library: every LF written as CRLF.
std::string TextFileBytes(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    return bytes;
}

bool SetLength(HANDLE handle, LONGLONG length) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = length;
    return SetFileInformationByHandle(handle, FileEndOfFileInfo, &end, sizeof end) != 0;
}

}  // namespace

InPlaceOutcome WriteTextInPlace(const std::filesystem::path& file, std::string_view text) {
    const std::string bytes = TextFileBytes(text);
    const auto length = static_cast<LONGLONG>(bytes.size());
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {ErrorText(GetLastError()), false};
    // Growing the file to the new length takes its room on the disk, or fails and leaves it as it
    // was; the old bytes are not touched either way.
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle, &size) || (size.QuadPart < length && !SetLength(handle, length))) {
        const DWORD error = GetLastError();
        CloseHandle(handle);
        return {ErrorText(error), false};
    }
    InPlaceOutcome outcome{{}, true};
    for (std::size_t at = 0; at < bytes.size() && outcome.failure.empty();) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1 << 20));
        DWORD wrote = 0;
        if (!WriteFile(handle, bytes.data() + at, chunk, &wrote, nullptr) || wrote == 0) {
            outcome.failure = ErrorText(GetLastError());
        }
        at += wrote;
    }
    if (outcome.failure.empty() && !SetLength(handle, length)) {
        outcome.failure = ErrorText(GetLastError());
    }
    if (!CloseHandle(handle) && outcome.failure.empty())
        outcome.failure = ErrorText(GetLastError());
    return outcome;
}

std::string RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return {};
    return ErrorText(GetLastError());
}

std::string NameTheSystemAlters(const std::filesystem::path& folder) {
    for (const std::filesystem::path& part : folder.relative_path()) {
        const std::wstring& name = part.native();
        if (name.empty() || name == L"." || name == L"..") continue;
        if (name.back() == L'.' || name.back() == L' ') {
            return fmt::format(
                "the folder name \"{}\" ends in a dot or a blank, which Windows drops from "
                "names, so no file in it can be reached; give the folder another name",
                PathText(part));
        }
    }
    return {};
}

}  // namespace cloak::file_platform
