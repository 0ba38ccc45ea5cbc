// The settings file's calls to the operating system, on Linux: the stand-ins' side of the seam
// settings/file_platform.hpp, whose Windows side is the product's own.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <system_error>

#include "settings/file_platform.hpp"

namespace cloak::file_platform {

namespace {

std::string ErrorText(int code) {
    return std::generic_category().message(code);
}

std::string WriteAll(int descriptor, std::uint64_t offset, std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const ssize_t wrote = pwrite(descriptor, bytes.data() + at, bytes.size() - at,
                                     static_cast<off_t>(offset + at));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return ErrorText(wrote < 0 ? errno : EIO);
        at += static_cast<std::size_t>(wrote);
    }
    return {};
}

// Waits for the file's lock (an advisory one: only the settings' own writes in place and reads
// take it) and reads the whole file through the descriptor. A file system without such locks
// (EOPNOTSUPP, ENOLCK) is read without.
std::optional<std::string> LockAndRead(int descriptor, int lock) {
    int locked = 0;
    while ((locked = flock(descriptor, lock)) != 0 && errno == EINTR) {
    }
    if (locked != 0 && errno != EOPNOTSUPP && errno != ENOLCK) return std::nullopt;
    std::string bytes;
    char buffer[16384];
    for (std::uint64_t at = 0;;) {
        const ssize_t got = pread(descriptor, buffer, sizeof buffer, static_cast<off_t>(at));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) return bytes;
        bytes.append(buffer, static_cast<std::size_t>(got));
        at += static_cast<std::uint64_t>(got);
    }
}

class DescriptorFile final : public InPlaceFile {
public:
    explicit DescriptorFile(int descriptor) : descriptor_(descriptor) {}
    ~DescriptorFile() override { close(descriptor_); }
    DescriptorFile(const DescriptorFile&) = delete;
    DescriptorFile& operator=(const DescriptorFile&) = delete;

    std::string Reserve(std::uint64_t length) override {
        const int failed = posix_fallocate(descriptor_, 0, static_cast<off_t>(length));
        return failed == 0 ? std::string() : ErrorText(failed);
    }
    std::string WriteAt(std::uint64_t offset, std::string_view bytes) override {
        return WriteAll(descriptor_, offset, bytes);
    }
    std::string Flush() override { return fsync(descriptor_) == 0 ? "" : ErrorText(errno); }
    std::string SetLength(std::uint64_t length) override {
        return ftruncate(descriptor_, static_cast<off_t>(length)) == 0 ? "" : ErrorText(errno);
    }

private:
    int descriptor_;
};

}  // namespace

std::string TextFileBytes(std::string_view text) {
    return std::string(text);
}

NewFileOutcome WriteNewFile(const std::filesystem::path& file, std::string_view bytes,
                            std::filesystem::perms permissions) {
    constexpr mode_t kAsTheSystemMakesThem = 0666;  // less the process's umask
    const int descriptor = open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY,
                                kAsTheSystemMakesThem);
    if (descriptor < 0) return {false, ErrorText(errno)};
    NewFileOutcome outcome{true, {}};
    if (permissions != std::filesystem::perms::unknown &&
        fchmod(descriptor, static_cast<mode_t>(permissions & std::filesystem::perms::mask)) != 0) {
        outcome.failure = ErrorText(errno);
    }
    if (outcome.failure.empty()) outcome.failure = WriteAll(descriptor, 0, bytes);
    if (outcome.failure.empty() && fsync(descriptor) != 0) outcome.failure = ErrorText(errno);
    if (close(descriptor) != 0 && outcome.failure.empty()) outcome.failure = ErrorText(errno);
    return outcome;
}

std::unique_ptr<InPlaceFile> OpenInPlace(const std::filesystem::path& file, std::string& bytes,
                                         std::string& failure) {
    const int descriptor = open(file.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0) {
        failure = ErrorText(errno);
        return nullptr;
    }
    auto opened = std::make_unique<DescriptorFile>(descriptor);
    std::optional<std::string> read = LockAndRead(descriptor, LOCK_EX);
    if (!read) {
        failure = ErrorText(errno);
        return nullptr;
    }
    bytes = std::move(*read);
    return opened;
}

std::optional<std::string> ReadLocked(const std::filesystem::path& file) {
    const int descriptor = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0) return std::nullopt;
    std::optional<std::string> bytes = LockAndRead(descriptor, LOCK_SH);
    const int readError = errno;
    close(descriptor);  // lets the lock go
    errno = readError;
    return bytes;
}

std::string RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code error;
    std::filesystem::rename(from, to, error);
    if (error) return error.message();
    // The rename is an entry of the folder, which reaches the disk when the folder is flushed.
    // The rename has happened whatever this answers (some file systems cannot flush a folder),
    // so a failure here is no failure of the save.
    const std::filesystem::path folder = to.has_parent_path() ? to.parent_path() : ".";
    if (const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        descriptor >= 0) {
        fsync(descriptor);
        close(descriptor);
    }
    return {};
}

std::string SystemMessage(const std::error_code& error) {
    return error.message();
}

std::string LastFailure() {
    return ErrorText(errno);
}

std::string NameTheSystemAlters(const std::filesystem::path&) {
    return {};
}

}  // namespace cloak::file_platform
