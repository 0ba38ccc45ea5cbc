#include "tests/own_pages.hpp"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#include <cstdint>
#include <fstream>
#include <string>

namespace testing_support {

#if defined(_WIN32)

bool ProtectPages(void* first, std::size_t bytes, PageAccess access) {
    const DWORD protection = access == PageAccess::ReadWrite  ? PAGE_READWRITE
                             : access == PageAccess::ReadOnly ? PAGE_READONLY
                             : access == PageAccess::Guard    ? PAGE_READWRITE | PAGE_GUARD
                                                              : PAGE_NOACCESS;
    DWORD before = 0;
    return VirtualProtect(first, bytes, protection, &before) != 0;
}

PageAccess AccessOf(const void* address) {
    MEMORY_BASIC_INFORMATION region;
    if (VirtualQuery(address, &region, sizeof region) == 0) return PageAccess::None;
    if ((region.Protect & PAGE_GUARD) != 0) return PageAccess::Guard;
    if ((region.Protect & (PAGE_READWRITE | PAGE_WRITECOPY)) != 0) return PageAccess::ReadWrite;
    return (region.Protect & PAGE_READONLY) != 0 ? PageAccess::ReadOnly : PageAccess::None;
}

OwnPages::OwnPages(std::size_t pages) : bytes_(pages * kTestPageSize) {
    begin_ = static_cast<std::byte*>(
        VirtualAlloc(nullptr, bytes_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}

// Decommitted, not released: the addresses stay reserved, so that no allocation made later (by
// the code under test) can take them over and make them readable again.
void OwnPages::Release() {
    if (begin_ != nullptr) VirtualFree(begin_, bytes_, MEM_DECOMMIT);
}

OwnPages::~OwnPages() {
    if (begin_ != nullptr) VirtualFree(begin_, 0, MEM_RELEASE);
}

#else

bool ProtectPages(void* first, std::size_t bytes, PageAccess access) {
    const int protection = access == PageAccess::ReadWrite  ? PROT_READ | PROT_WRITE
                           : access == PageAccess::ReadOnly ? PROT_READ
                                                            : PROT_NONE;
    return mprotect(first, bytes, protection) == 0;
}

PageAccess AccessOf(const void* address) {
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream maps("/proc/self/maps");
    std::uintptr_t begin = 0;
    std::uintptr_t end = 0;
    char dash = 0;
    std::string permissions;
    std::string rest;
    while (maps >> std::hex >> begin >> dash >> end >> permissions && std::getline(maps, rest)) {
        if (at < begin || at >= end) continue;
        if (permissions.compare(0, 2, "rw") == 0) return PageAccess::ReadWrite;
        return permissions[0] == 'r' ? PageAccess::ReadOnly : PageAccess::None;
    }
    return PageAccess::None;
}

OwnPages::OwnPages(std::size_t pages) : bytes_(pages * kTestPageSize) {
    void* mapped =
        mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    begin_ = mapped == MAP_FAILED ? nullptr : static_cast<std::byte*>(mapped);
}

// The pages go, but their addresses stay reserved (no access) until the object goes, as the
// Windows side decommits rather than releases: otherwise the next mapping (a sanitizer's, say)
// may take the addresses over and a read meant to fail would succeed.
void OwnPages::Release() {
    if (begin_ != nullptr) {
        mmap(begin_, bytes_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED | MAP_NORESERVE, -1,
             0);
        reserved_ = begin_;
    }
    begin_ = nullptr;
}

OwnPages::~OwnPages() {
    Release();
    if (reserved_ != nullptr) munmap(reserved_, bytes_);
}

#endif

}  // namespace testing_support
