// The settings file's calls to the operating system, on Linux: the stand-ins' side of the seam
// settings/file_platform.hpp, whose Windows side is the product's own.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "settings/file_platform.hpp"

namespace cloak::file_platform {

namespace {

std::string ErrorText(int code) {
    return std::generic_category().message(code);
}

}  // namespace

InPlaceOutcome WriteTextInPlace(const std::filesystem::path& file, std::string_view text) {
    const auto length = static_cast<off_t>(text.size());
    const int descriptor = open(file.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0) return {ErrorText(errno), false};
    // Takes the room for the whole text, or fails and leaves the file as it was; blocks the file
    // already holds keep their bytes.
    if (const int reserved = posix_fallocate(descriptor, 0, length); reserved != 0) {
        close(descriptor);
        return {ErrorText(reserved), false};
    }
    InPlaceOutcome outcome{{}, true};
    for (std::size_t at = 0; at < text.size();) {
        const ssize_t wrote =
            pwrite(descriptor, text.data() + at, text.size() - at, static_cast<off_t>(at));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            outcome.failure = ErrorText(wrote < 0 ? errno : EIO);
            break;
        }
        at += static_cast<std::size_t>(wrote);
    }
    if (outcome.failure.empty() && ftruncate(descriptor, length) != 0) {
        outcome.failure = ErrorText(errno);
    }
    if (close(descriptor) != 0 && outcome.failure.empty()) outcome.failure = ErrorText(errno);
    return outcome;
}

std::string RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code error;
    std::filesystem::rename(from, to, error);
    return error ? error.message() : std::string();
}

std::string NameTheSystemAlters(const std::filesystem::path&) {
    return {};
}

}  // namespace cloak::file_platform
