// Test support: a file held open by "another program" (a virus scanner, a backup tool, an editor),
// the way the platform lets it keep others from replacing the file.
#pragma once

#include <cstdint>
#include <filesystem>

namespace testing_support {

// Windows' sharing rules: a file open without delete sharing cannot be renamed over or deleted,
// and a file that is being replaced cannot be opened for that moment. POSIX has neither rule.
#if defined(_WIN32)
inline constexpr bool kWindowsSharingRules = true;
#else
inline constexpr bool kWindowsSharingRules = false;
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
