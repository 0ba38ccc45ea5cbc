// Writing settings.json over itself, for a folder that takes no new file (where no temporary file
// can replace it). A save cut short at any moment - killed, or the machine losing power between
// two flushes - leaves a file from which a load reads the old record or the new one, whole.
//
// How: the new record is first written after everything the file holds, behind a zero byte, and
// flushed. Then the file's first byte becomes zero, which no JSON text starts with: "the record
// is the text after the last zero byte". Then the record is written over the front, its first
// byte last, and the file cut to its length. A load reads the file's text through RecordText.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "settings/file_platform.hpp"

namespace cloak {

struct InPlaceOutcome {
    std::string failure;  // empty when the file holds exactly the new bytes
    // Whether the file's bytes may differ from what they were (a load still reads the old record
    // or the new one); false after a failure means the file is exactly as it was.
    bool changed = false;
};

// The text of the record a file holds: the file itself, or, while an in-place write is unfinished,
// the record it was writing.
std::string_view RecordText(std::string_view fileBytes);

// Writes `bytes` over the file that holds `current`, step by step as above.
InPlaceOutcome WriteInPlace(file_platform::InPlaceFile& file, std::string_view current,
                            std::string_view bytes);

// The file's bytes as they are on the disk (no line ends converted), never halfway through a
// write in place; nothing when it cannot be opened.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file);

// Opens the file, takes its lock (no other process writes it in place, nor reads it, meanwhile),
// reads what it holds and writes `bytes` over it.
InPlaceOutcome WriteFileInPlace(const std::filesystem::path& file, std::string_view bytes);

}  // namespace cloak
