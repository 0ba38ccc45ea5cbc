#include "tests/own_pages.hpp"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <cstdlib>

namespace testing_support {

#if defined(_WIN32)

bool ProtectPages(void* first, std::size_t bytes, PageAccess access) {
    const DWORD protection = access == PageAccess::ReadWrite  ? PAGE_READWRITE
                             : access == PageAccess::ReadOnly ? PAGE_READONLY
                                                              : PAGE_NOACCESS;
    DWORD before = 0;
    return VirtualProtect(first, bytes, protection, &before) != 0;
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

namespace {
int faultExitCode = 0;
}  // namespace

void ExitOnUnhandledFault(int code) {
    faultExitCode = code;
    SetUnhandledExceptionFilter([](EXCEPTION_POINTERS*) -> LONG { std::_Exit(faultExitCode); });
}

#else

bool ProtectPages(void* first, std::size_t bytes, PageAccess access) {
    const int protection = access == PageAccess::ReadWrite  ? PROT_READ | PROT_WRITE
                           : access == PageAccess::ReadOnly ? PROT_READ
                                                            : PROT_NONE;
    return mprotect(first, bytes, protection) == 0;
}

OwnPages::OwnPages(std::size_t pages) : bytes_(pages * kTestPageSize) {
    void* mapped =
        mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    begin_ = mapped == MAP_FAILED ? nullptr : static_cast<std::byte*>(mapped);
}

void OwnPages::Release() {
    if (begin_ != nullptr) munmap(begin_, bytes_);
    begin_ = nullptr;
}

OwnPages::~OwnPages() {
    Release();
}

namespace {
int faultExitCode = 0;
}  // namespace

void ExitOnUnhandledFault(int code) {
    faultExitCode = code;
    struct sigaction exit {};
    exit.sa_handler = [](int) { _exit(faultExitCode); };
    sigemptyset(&exit.sa_mask);
    sigaction(SIGSEGV, &exit, nullptr);
}

#endif

}  // namespace testing_support
