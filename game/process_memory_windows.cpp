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

// ---- FaultGuard ---------------------------------------------------------------------------------
// The guard adds a vectored exception handler, first in line, and removes it when it goes. Each run
// captures the processor's state where it begins and sets the running thread's id: an access fault
// on that thread (a page gone, no-access, a guard page, or one whose file cannot be read) resumes
// at that state, and the run reports the faulting address. Every other exception goes on down the
// line as if the handler were not there.

namespace {

struct GuardState {
    std::mutex oneGuard;
    PVOID handler = nullptr;
    std::atomic<DWORD> runningThread{0};
    CONTEXT runStart{};
    volatile bool faulted = false;
    volatile std::uint64_t faultAddress = 0;
};

GuardState state;

bool IsAccessFault(const EXCEPTION_RECORD& record) {
    const DWORD code = record.ExceptionCode;
    return (code == EXCEPTION_ACCESS_VIOLATION || code == EXCEPTION_IN_PAGE_ERROR ||
            code == STATUS_GUARD_PAGE_VIOLATION) &&
           record.NumberParameters >= 2;
}

// Back to where the run began: the registers a function keeps across calls, its stack and its
// instruction pointer, as captured there.
void ResumeAtRunStart(CONTEXT& context) {
    const CONTEXT& start = state.runStart;
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
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    if (!IsAccessFault(record) ||
        state.runningThread.load(std::memory_order_relaxed) != GetCurrentThreadId()) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    state.runningThread.store(0, std::memory_order_relaxed);
    state.faultAddress = record.ExceptionInformation[1];
    state.faulted = true;
    ResumeAtRunStart(*exception->ContextRecord);
    return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

FaultGuard::FaultGuard() {
    state.oneGuard.lock();
    state.handler = AddVectoredExceptionHandler(1, OnException);
}

FaultGuard::~FaultGuard() {
    if (state.handler != nullptr) RemoveVectoredExceptionHandler(state.handler);
    state.handler = nullptr;
    state.oneGuard.unlock();
}

// Not inlined: the state captured at its start must be this call's own, and once a fault resumes
// there nothing is needed but the state's volatile fields.
__declspec(noinline) std::optional<std::uint64_t> FaultGuard::Run(void (*work)(void*),
                                                                  void* context) {
    // Without the handler (the system refused it) nothing runs: a fault would be the game's end.
    if (state.handler == nullptr) return std::uint64_t{0};
    state.faulted = false;
    RtlCaptureContext(&state.runStart);
    if (state.faulted) return state.faultAddress;
    state.runningThread.store(GetCurrentThreadId(), std::memory_order_relaxed);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    work(context);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    state.runningThread.store(0, std::memory_order_relaxed);
    return std::nullopt;
}

}  // namespace cloak::game
