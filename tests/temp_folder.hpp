// Test support: a fresh folder per test case, removed afterwards, and whole-file text I/O.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>

namespace testing_support {

class TempFolder {
public:
    // A name no other folder has: creating a folder fails where the name is taken.
    TempFolder() {
        std::random_device random;
        const std::filesystem::path parent = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::filesystem::path candidate =
                parent / ("cloak-" + std::to_string(random()) + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) {
                path_ = candidate;
                return;
            }
        }
        ADD_FAILURE() << "no fresh folder in " << parent;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A path as UTF-8 text, as the plugin's console lines name it (the native narrow form of a Windows
// path holds only the characters of the system's code page).
inline std::string Utf8Text(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Text as a text file of this platform holds it: Windows ends lines with CR LF.
inline std::string WithPlatformLineEnds(const std::string& text) {
#if defined(_WIN32)
    std::string converted;
    for (const char c : text) {
        if (c == '\n') converted += '\r';
        converted += c;
    }
    return converted;
#else
    return text;
#endif
}

inline void WriteText(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
}

}  // namespace testing_support
