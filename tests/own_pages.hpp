// Pages of the test's own whose protection it changes, or which it gives back, while code under
// test may still hold their addresses: VirtualAlloc and VirtualProtect, or mmap and mprotect.
#pragma once

#include <cstddef>
#include <cstdint>

namespace testing_support {

enum class PageAccess { ReadWrite, ReadOnly, None };

// Sets the protection of whole pages anywhere in the process (the test's own static data too).
bool ProtectPages(void* first, std::size_t bytes, PageAccess access);

// From now on, a fault that nothing else in the program handles ends it with exit code `code`.
void ExitOnUnhandledFault(int code);

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
};

inline constexpr std::size_t kTestPageSize = 4096;

}  // namespace testing_support
