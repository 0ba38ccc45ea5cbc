// The settings file's calls to the operating system, on Windows. (Elsewhere the stand-ins provide
// them: sim/platform/file_platform_linux.cpp.)
#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>
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
            return SystemMessage(std::error_code(static_cast<int>(code), std::system_category()));
    }
}

// Waits for the lock of the whole file (exclusive, or shared with other readers) and reads the
// file through the handle: another handle may not read a range that a handle has locked.
std::optional<std::string> LockAndRead(HANDLE handle, DWORD lockFlags) {
    OVERLAPPED whole{};
    if (!LockFileEx(handle, lockFlags, 0, MAXDWORD, MAXDWORD, &whole)) return std::nullopt;
    std::string bytes;
    for (std::uint64_t at = 0;;) {
        char buffer[16384];
        OVERLAPPED position{};
        position.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
        position.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD got = 0;
        if (!ReadFile(handle, buffer, sizeof buffer, &got, &position)) {
            if (GetLastError() == ERROR_HANDLE_EOF) return bytes;
            return std::nullopt;
        }
        if (got == 0) return bytes;
        bytes.append(buffer, got);
        at += got;
    }
}

bool SetLengthOf(HANDLE handle, std::uint64_t length) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(length);
    return SetFileInformationByHandle(handle, FileEndOfFileInfo, &end, sizeof end) != 0;
}

std::string WriteAll(HANDLE handle, std::uint64_t offset, std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1 << 20));
        OVERLAPPED position{};
        position.Offset = static_cast<DWORD>((offset + at) & 0xFFFFFFFFu);
        position.OffsetHigh = static_cast<DWORD>((offset + at) >> 32);
        DWORD wrote = 0;
        if (!WriteFile(handle, bytes.data() + at, chunk, &wrote, &position)) {
            return ErrorText(GetLastError());
        }
        if (wrote == 0) return ErrorText(ERROR_WRITE_FAULT);
        at += wrote;
    }
    return {};
}

std::string Flushed(HANDLE handle) {
    return FlushFileBuffers(handle) ? std::string() : ErrorText(GetLastError());
}

class HandleFile final : public InPlaceFile {
public:
    explicit HandleFile(HANDLE handle) : handle_(handle) {}
    ~HandleFile() override { CloseHandle(handle_); }
    HandleFile(const HandleFile&) = delete;
    HandleFile& operator=(const HandleFile&) = delete;

    // Growing the file takes its room on the disk, or fails and leaves the file as it was.
    std::string Reserve(std::uint64_t length) override {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(handle_, &size)) return ErrorText(GetLastError());
        if (static_cast<std::uint64_t>(size.QuadPart) >= length) return {};
        return SetLengthOf(handle_, length) ? std::string() : ErrorText(GetLastError());
    }
    std::string WriteAt(std::uint64_t offset, std::string_view bytes) override {
        return WriteAll(handle_, offset, bytes);
    }
    std::string Flush() override { return Flushed(handle_); }
    std::string SetLength(std::uint64_t length) override {
        return SetLengthOf(handle_, length) ? std::string() : ErrorText(GetLastError());
    }

private:
    HANDLE handle_;
};

// Whether another program holds the file open without letting it be deleted or replaced.
// MoveFileExW reports such a target as "access denied", as it does a file the user may not
// touch; asking for the right to delete it tells the two apart.
bool HeldByAnotherProgram(const std::filesystem::path& file) {
    const HANDLE handle =
        CreateFileW(file.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(handle);
    return false;
}

}  // namespace

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

// Windows keeps only a read-only mark of the permissions, and a read-only target is never
// replaced, so a new file is made as the system makes them.
NewFileOutcome WriteNewFile(const std::filesystem::path& file, std::string_view bytes,
                            std::filesystem::perms) {
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {false, ErrorText(GetLastError())};
    NewFileOutcome outcome{true, WriteAll(handle, 0, bytes)};
    if (outcome.failure.empty()) outcome.failure = Flushed(handle);
    if (!CloseHandle(handle) && outcome.failure.empty()) {
        outcome.failure = ErrorText(GetLastError());
    }
    return outcome;
}

// Other handles may read and write while it is open: the lock, not the sharing mode, keeps two
// writers apart, and the second waits rather than failing.
std::unique_ptr<InPlaceFile> OpenInPlace(const std::filesystem::path& file, std::string& bytes,
                                         std::string& failure) {
    const HANDLE handle =
        CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        failure = ErrorText(GetLastError());
        return nullptr;
    }
    auto opened = std::make_unique<HandleFile>(handle);
    std::optional<std::string> read = LockAndRead(handle, LOCKFILE_EXCLUSIVE_LOCK);
    if (!read) {
        failure = ErrorText(GetLastError());
        return nullptr;
    }
    bytes = std::move(*read);
    return opened;
}

std::optional<std::string> ReadLocked(const std::filesystem::path& file) {
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<std::string> bytes = LockAndRead(handle, 0);
    const DWORD readError = GetLastError();
    CloseHandle(handle);  // lets the lock go
    SetLastError(readError);
    return bytes;
}

// The system's own wording, in the user's language, as UTF-8. The library's message() converts
// it to the system's code page, where every letter that page lacks is lost.
std::string SystemMessage(const std::error_code& error) {
    if (error.category() != std::system_category()) return error.message();
    wchar_t text[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(error.value()), 0, text,
                                  sizeof text / sizeof text[0], nullptr);
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' ||
                          text[length - 1] == L'.' || text[length - 1] == L' ')) {
        --length;
    }
    if (length == 0) return fmt::format("Windows error {}", error.value());
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8.data(), size, nullptr,
                        nullptr);
    return utf8;
}

// The write-through flag returns once the rename is on the disk.
std::string RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return {};
    }
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED && (HeldByAnotherProgram(to) || HeldByAnotherProgram(from))) {
        return ErrorText(ERROR_SHARING_VIOLATION);
    }
    return ErrorText(error);
}

std::string LastFailure() {
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
