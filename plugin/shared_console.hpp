// The host console every log line of the plugin goes through.
//
// A console line is text for people and for programs that read the console, so every line the
// plugin writes is valid UTF-8 whatever it quotes: a library's error text (which may carry the
// raw bytes of a damaged file), a system error message in the platform's code page, a path.
#pragma once

#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "bakkesmod/wrappers/cvarmanagerwrapper.h"

namespace cloak {

// Empty until onLoad, which replaces it with a copy of the host's console wrapper every time.
extern std::shared_ptr<CVarManagerWrapper> sharedConsole;

// Writes one line to the host console, its invalid UTF-8 replaced; nothing while there is none.
void LogLine(std::string_view line);

// The text with every byte that does not belong to a well-formed UTF-8 sequence replaced by
// U+FFFD. Valid text comes back unchanged.
std::string ValidUtf8(std::string_view text);

// A path as UTF-8 text, whatever the platform's narrow encoding.
std::string PathText(const std::filesystem::path& path);

// What went wrong, for a console line that names the path itself: a file-system error gives its
// system message (its what() holds the path in the platform's narrow encoding), any other error
// its what().
std::string FailureText(const std::exception& error);

}  // namespace cloak
