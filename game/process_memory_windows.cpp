// The process's memory as Windows describes it: VirtualQuery for what may be read, the module
// list and each module's section table for the images' writable data; a vectored exception handler
// for reads that report a page gone or made no-access rather than fault on it.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which they need.
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <mutex>

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

// ---- OwnMemoryReader ----------------------------------------------------------------------------
// The reader adds a vectored exception handler, first in line, and removes it when it goes. Each
// copy captures the processor's state where it begins and sets the copying thread's id: an access
// fault on that thread (a page gone, no-access, a guard page, or one whose file cannot be read)
// resumes at that state, and the copy reports how far it got. Every other exception goes on down
// the line as if the handler were not there.

namespace {

struct FaultGuard {
    std::mutex oneReader;
    PVOID handler = nullptr;
    std::atomic<DWORD> copyingThread{0};
    CONTEXT copyStart{};
    volatile bool faulted = false;
    volatile std::size_t copied = 0;
};

FaultGuard guard;

bool IsAccessFault(DWORD code) {
    return code == EXCEPTION_ACCESS_VIOLATION || code == EXCEPTION_IN_PAGE_ERROR ||
           code == STATUS_GUARD_PAGE_VIOLATION;
}

// Back to where the copy began: the registers a function keeps across calls, its stack and its
// instruction pointer, as captured there.
void ResumeAtCopyStart(CONTEXT& context) {
    const CONTEXT& start = guard.copyStart;
    context.Rip = start.Rip;
    context.Rsp = start.Rsp;
    context.Rbp = start.Rbp;
    context.Rbx = start.Rbx;
    context.Rsi = start.Rsi;
    context.Rdi = start.Rdi;
    context.R12 = start.R12;
    context.R13 = start.R13;
    context.R14 = start.R14;
    context.R15 = start.R15;
    std::copy(start.FltSave.XmmRegisters + 6, start.FltSave.XmmRegisters + 16,
              context.FltSave.XmmRegisters + 6);
}

LONG CALLBACK OnException(EXCEPTION_POINTERS* exception) {
    if (!IsAccessFault(exception->ExceptionRecord->ExceptionCode) ||
        guard.copyingThread.load(std::memory_order_relaxed) != GetCurrentThreadId()) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    guard.copyingThread.store(0, std::memory_order_relaxed);
    guard.faulted = true;
    ResumeAtCopyStart(*exception->ContextRecord);
    return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

OwnMemoryReader::OwnMemoryReader() {
    guard.oneReader.lock();
    guard.handler = AddVectoredExceptionHandler(1, OnException);
}

OwnMemoryReader::~OwnMemoryReader() {
    if (guard.handler != nullptr) RemoveVectoredExceptionHandler(guard.handler);
    guard.handler = nullptr;
    guard.oneReader.unlock();
}

// Not inlined: the state captured at its start must be this call's own, and nothing the copy
// changes may be needed once a fault resumes there but the guard's volatile fields.
__declspec(noinline) std::size_t OwnMemoryReader::Read(std::uint64_t address, void* buffer,
                                                       std::size_t size) {
    // Without the handler (the system refused it) nothing is read: a fault would be the game's end.
    if (guard.handler == nullptr) return 0;
    guard.faulted = false;
    RtlCaptureContext(&guard.copyStart);
    if (guard.faulted) return guard.copied;
    guard.copyingThread.store(GetCurrentThreadId(), std::memory_order_relaxed);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    CopyNotingProgress(address, buffer, size, guard.copied);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    guard.copyingThread.store(0, std::memory_order_relaxed);
    return size;
}

}  // namespace cloak::game
