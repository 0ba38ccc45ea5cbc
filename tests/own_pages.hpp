// Pages of the test's own whose protection it changes, or which it gives back, while code under
// test may still hold their addresses: VirtualAlloc and VirtualProtect, or mmap and mprotect.
#pragma once

#include <cstddef>
#include <cstdint>

namespace testing_support {

// Guard: readable and writable, but the first access clears the guard and raises an exception
// (Windows); on Linux, which has no such pages, no access.
enum class PageAccess { ReadWrite, ReadOnly, None, Guard };

// Sets the protection of whole pages anywhere in the process (the test's own static data too).
bool ProtectPages(void* first, std::size_t bytes, PageAccess access);

// The protection of the page that holds `address` now.
PageAccess AccessOf(const void* address);

class OwnPages {
public:
    explicit OwnPages(std::size_t pages);
    ~OwnPages();
    OwnPages(const OwnPages&) = delete;
    OwnPages& operator=(const OwnPages&) = delete;

    std::byte* begin() const { return begin_; }
    std::byte* end() const { return begin_ + bytes_; }
    // Gives every page back to the system: any later access to them faults.
    void Release();

private:
    std::byte* begin_ = nullptr;
    std::size_t bytes_ = 0;
    std::byte* reserved_ = nullptr;  // Linux: the addresses of released pages, kept until the end
};

inline constexpr std::size_t kTestPageSize = 4096;

}  // namespace testing_support
