// Writes are checked to their end: a buffered write only fails when its buffer is flushed, so
// each output ends with a flush (or a close) whose result is looked at.
#include "sim/demo/output.hpp"

#include <fmt/format.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "sim/demo/command_line.hpp"

namespace demo {

namespace {

// The system's reason for the last failed write, when it gave one.
std::string Reason(int error) {
    return error != 0 ? fmt::format(": {}", std::strerror(error)) : std::string();
}

}  // namespace

bool WriteStandardOutput(std::string_view text) {
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
                         std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    if (!written) {
        fmt::print(stderr, "cloak-demo: the output was not written in full{}\n", Reason(errno));
    }
    return written;
}

bool WriteWholeFile(const std::filesystem::path& file, std::string_view bytes) {
    errno = 0;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        fmt::print(stderr, "cloak-demo: {} was not written in full{}\n", Utf8FromPath(file),
                   Reason(errno));
    }
    return static_cast<bool>(out);
}

}  // namespace demo
