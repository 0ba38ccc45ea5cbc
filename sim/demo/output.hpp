// What cloak-demo writes - its standard output and the screenshot - reaches its file whole, or
// the run says so and fails: a full disk or a closed pipe must not pass for a finished run.
#pragma once

#include <filesystem>
#include <string_view>

namespace demo {

// The exit status of a run whose output did not reach its file in full.
inline constexpr int kOutputNotWritten = 3;

// Writes `text` to stdout and flushes it. False, after a message on stderr, when any of it, or of
// what was written to stdout before, did not reach its file.
bool WriteStandardOutput(std::string_view text);

// Makes `bytes` the whole content of `file`. False, after a message on stderr naming the file,
// when they did not all reach it.
bool WriteWholeFile(const std::filesystem::path& file, std::string_view bytes);

}  // namespace demo
