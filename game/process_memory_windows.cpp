// The process's memory as Windows describes it: VirtualQuery for what may be read, the module
// list and each module's section table for the images' writable data.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which they need.
#include <tlhelp32.h>

#include <cstddef>

#include "game/memory.hpp"
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

// The writable sections of the module mapped at `base`, read from its headers in memory.
void AddWritableSections(const MemoryMap& map, std::uint64_t base, ProcessMemory& memory) {
    if (!map.Contains(base, sizeof(IMAGE_DOS_HEADER))) return;
    const auto* dos = PointerAt<const IMAGE_DOS_HEADER>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew <= 0) return;
    const std::uint64_t ntAddress = base + static_cast<std::uint64_t>(dos->e_lfanew);
    if (!map.Contains(ntAddress, sizeof(IMAGE_NT_HEADERS64))) return;
    const auto* nt = PointerAt<const IMAGE_NT_HEADERS64>(ntAddress);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return;
    const std::uint64_t sectionsAddress = ntAddress + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                                          nt->FileHeader.SizeOfOptionalHeader;
    const std::uint64_t count = nt->FileHeader.NumberOfSections;
    if (!map.Contains(sectionsAddress, count * sizeof(IMAGE_SECTION_HEADER))) return;
    const auto* sections = PointerAt<const IMAGE_SECTION_HEADER>(sectionsAddress);
    for (std::uint64_t i = 0; i < count; ++i) {
        if ((sections[i].Characteristics & IMAGE_SCN_MEM_WRITE) == 0) continue;
        const std::uint64_t begin = base + sections[i].VirtualAddress;
        memory.imageData.push_back({begin, begin + sections[i].Misc.VirtualSize});
    }
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

    const MemoryMap map(memory.readable);
    const HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
    if (modules == INVALID_HANDLE_VALUE) return memory;
    MODULEENTRY32W module{};
    module.dwSize = sizeof module;
    for (BOOL more = Module32FirstW(modules, &module); more;
         more = Module32NextW(modules, &module)) {
        AddWritableSections(map, reinterpret_cast<std::uintptr_t>(module.modBaseAddr), memory);
    }
    CloseHandle(modules);
    return memory;
}

}  // namespace cloak::game
