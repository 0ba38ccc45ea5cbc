// Test support: a file held open by "another program" (a virus scanner, a backup tool, an editor),
// the way the platform lets it keep others from replacing the file.
#pragma once

#include <cstdint>
#include <filesystem>

namespace testing_support {

// Windows refuses to rename over, or delete, a file that is open without delete sharing or that
// carries the read-only attribute; POSIX allows both (only the folder's permissions count).
#if defined(_WIN32)
inline constexpr bool kFilesInUseResistReplacement = true;
#else
inline constexpr bool kFilesInUseResistReplacement = false;
#endif

// Opens the file for reading, sharing reading and writing but not deletion, until Release or the
// end of the object.
class HeldFile {
public:
    explicit HeldFile(const std::filesystem::path& file);
    ~HeldFile() { Release(); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    bool Holding() const { return handle_ != kNone; }
    void Release();

private:
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t handle_ = kNone;  // file handle or descriptor
};

}  // namespace testing_support
