// The process's memory as Windows describes it: VirtualQuery for what may be read, the module
// list and each module's section table for the images' writable data; ReadProcessMemory for the
// copies, each region's protection looked up just before.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which they need.
#include <tlhelp32.h>

#include <algorithm>
#include <cstddef>

#include "game/process_memory.hpp"

namespace cloak::game {

namespace {

// Committed private memory and images, readable and no guard page; mapped files are left out
// (a view of a file that shrank, or sits on a lost network share, faults).
bool SafeToRead(const MEMORY_BASIC_INFORMATION& region) {
    if (region.State != MEM_COMMIT) return false;
    if (region.Type != MEM_PRIVATE && region.Type != MEM_IMAGE) return false;
    if ((region.Protect & (PAGE_GUARD | PAGE_NOACCESS)) != 0) return false;
    constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY |
                                PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    return (region.Protect & kReadable) != 0;
}

template <class T>
bool ReadHeader(ForeignMemory& memory, std::uint64_t address, T& header) {
    return memory.Read(address, &header, sizeof(T));
}

// The writable sections of the module mapped at `base`, read from its headers in memory.
void AddWritableSections(ForeignMemory& map, std::uint64_t base, ProcessMemory& memory) {
    IMAGE_DOS_HEADER dos;
    if (!ReadHeader(map, base, dos)) return;
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0) return;
    const std::uint64_t ntAddress = base + static_cast<std::uint64_t>(dos.e_lfanew);
    IMAGE_NT_HEADERS64 nt;
    if (!ReadHeader(map, ntAddress, nt) || nt.Signature != IMAGE_NT_SIGNATURE) return;
    std::uint64_t section = ntAddress + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                            nt.FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections;
         ++i, section += sizeof(IMAGE_SECTION_HEADER)) {
        IMAGE_SECTION_HEADER header;
        if (!ReadHeader(map, section, header)) return;
        // Only writable sections: the game's table descriptors change as the game runs, and
        // read-only data is no place for them.
        if ((header.Characteristics & IMAGE_SCN_MEM_WRITE) == 0) continue;
        const std::uint64_t begin = base + header.VirtualAddress;
        memory.imageData.push_back({begin, begin + header.Misc.VirtualSize});
    }
}

// The module list. Windows can refuse it for a moment while a module loads or unloads
// (ERROR_BAD_LENGTH); a few tries get past that.
HANDLE SnapshotModules() {
    constexpr int kTries = 10;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        const HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
        if (modules != INVALID_HANDLE_VALUE || GetLastError() != ERROR_BAD_LENGTH) return modules;
        Sleep(1);
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

ProcessMemory SnapshotProcessMemory() {
    ProcessMemory memory;
    SYSTEM_INFO process;
    GetSystemInfo(&process);
    auto address = reinterpret_cast<std::uintptr_t>(process.lpMinimumApplicationAddress);
    const auto highest = reinterpret_cast<std::uintptr_t>(process.lpMaximumApplicationAddress);
    MEMORY_BASIC_INFORMATION region;
    while (address < highest &&
           VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof region) != 0) {
        const auto begin = reinterpret_cast<std::uintptr_t>(region.BaseAddress);
        if (region.RegionSize == 0) break;
        if (SafeToRead(region)) memory.readable.push_back({begin, begin + region.RegionSize});
        address = begin + region.RegionSize;
    }

    if (memory.readable.empty()) {
        memory.status = SnapshotStatus::NoMemoryMap;
        return memory;
    }

    ForeignMemory map(memory);
    const HANDLE modules = SnapshotModules();
    if (modules == INVALID_HANDLE_VALUE) {
        memory.status = SnapshotStatus::NoModuleList;
        return memory;
    }
    MODULEENTRY32W module{};
    module.dwSize = sizeof module;
    for (BOOL more = Module32FirstW(modules, &module); more;
         more = Module32NextW(modules, &module)) {
        AddWritableSections(map, reinterpret_cast<std::uintptr_t>(module.modBaseAddr), memory);
    }
    CloseHandle(modules);
    return memory;
}

// ---- Copies by the system -----------------------------------------------------------------------
// ReadProcessMemory on the process itself: the kernel copies, and a page it cannot read fails the
// call instead of raising anything in the process. A guard page it would read loses its guard as
// it is read, though, and a no-access one may still be read (Wine does): each region is looked up
// first, and only what is readable now is copied.

namespace {

bool CopiedBySystem(std::uint64_t from, std::byte* to, std::size_t size) {
    return ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<const void*>(from), to, size,
                             nullptr) != 0;
}

// The part of one region: at once, or - when that is refused, the region having changed since it
// was looked up - page by page up to the page refused. Returns the bytes copied.
std::size_t CopyWithinRegion(std::uint64_t from, std::byte* to, std::size_t size) {
    if (CopiedBySystem(from, to, size)) return size;
    std::size_t copied = 0;
    while (copied < size) {
        const std::size_t piece = static_cast<std::size_t>(
            std::min<std::uint64_t>(size - copied, kPageSize - (from + copied) % kPageSize));
        if (!CopiedBySystem(from + copied, to + copied, piece)) break;
        copied += piece;
    }
    return copied;
}

}  // namespace

std::size_t CopyBySystem(std::uint64_t address, void* buffer, std::size_t size) {
    auto* const to = static_cast<std::byte*>(buffer);
    std::size_t copied = 0;
    while (copied < size) {
        const std::uint64_t at = address + copied;
        MEMORY_BASIC_INFORMATION region;
        if (VirtualQuery(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(at)), &region,
                         sizeof region) == 0 ||
            !SafeToRead(region)) {
            break;
        }
        const std::uint64_t regionEnd =
            reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
        const auto part =
            static_cast<std::size_t>(std::min<std::uint64_t>(size - copied, regionEnd - at));
        const std::size_t done = CopyWithinRegion(at, to + copied, part);
        copied += done;
        if (done < part) break;
    }
    return copied;
}

}  // namespace cloak::game
