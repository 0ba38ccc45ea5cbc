// cloak-demo's command line and the paths it prints, as UTF-8 on every platform. Windows hands
// main() its arguments in the ANSI code page, which holds few of the characters a folder name
// may hold ("データ"), so there they are taken from the wide command line.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace demo {

// The arguments after the program's name.
std::vector<std::string> Utf8Arguments(int argc, char** argv);
std::filesystem::path PathFromUtf8(const std::string& text);
std::string Utf8FromPath(const std::filesystem::path& path);

}  // namespace demo
