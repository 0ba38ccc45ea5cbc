// The platform's open file: CreateFileW without FILE_SHARE_DELETE, or open(2).
#include "tests/held_file.hpp"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace testing_support {

#if defined(_WIN32)

HeldFile::HeldFile(const std::filesystem::path& file) {
    const HANDLE handle =
        CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) handle_ = reinterpret_cast<std::intptr_t>(handle);
}

void HeldFile::Release() {
    if (handle_ != kNone) CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = kNone;
}

#else

HeldFile::HeldFile(const std::filesystem::path& file) {
    const int descriptor = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor >= 0) handle_ = descriptor;
}

void HeldFile::Release() {
    if (handle_ != kNone) close(static_cast<int>(handle_));
    handle_ = kNone;
}

#endif

}  // namespace testing_support
