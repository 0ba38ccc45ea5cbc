// The process's memory as Linux describes it: /proc/self/maps for what may be read, with the live
// protection of every page; the dynamic linker's list of loaded images (dl_iterate_phdr) for
// where their writable data lies; a handler of SIGSEGV and SIGBUS for reads that report a page
// gone or made no-access rather than fault on it.
#include <link.h>
#include <setjmp.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>

#include "game/process_memory.hpp"

namespace cloak::game {

namespace {

struct Images {
    std::vector<AddressRange> segments;  // every loaded segment of every image
    std::vector<AddressRange> data;      // the writable ones
};

int AddImageSegments(dl_phdr_info* info, std::size_t, void* data) {
    auto& images = *static_cast<Images*>(data);
    for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD || segment.p_memsz == 0) continue;
        const std::uint64_t begin = info->dlpi_addr + segment.p_vaddr;
        const AddressRange range{begin, begin + segment.p_memsz};
        images.segments.push_back(range);
        if ((segment.p_flags & PF_W) != 0) images.data.push_back(range);
    }
    return 0;
}

bool Overlaps(const std::vector<AddressRange>& ranges, AddressRange range) {
    return std::any_of(ranges.begin(), ranges.end(), [range](const AddressRange& other) {
        return other.begin < range.end && range.begin < other.end;
    });
}

// A mapping reads without a fault when its pages are readable now (the segments' flags say what
// the image asked for, not what was done to its pages since) and it is not a file beyond its
// end: anonymous memory, or a loaded image's segment, which lies within its file. The kernel's
// own pages ([vvar], [vsyscall]) are left out: some fault.
bool SafeToRead(const std::string& permissions, const std::string& path, AddressRange range,
                const Images& images) {
    if (permissions.empty() || permissions[0] != 'r') return false;
    if (path.empty() || path == "[heap]" || path.rfind("[stack", 0) == 0 ||
        path.rfind("[anon", 0) == 0) {
        return true;
    }
    return path[0] != '[' && Overlaps(images.segments, range);
}

}  // namespace

ProcessMemory SnapshotProcessMemory() {
    ProcessMemory memory;
    Images images;
    dl_iterate_phdr(AddImageSegments, &images);
    memory.imageData = std::move(images.data);

    std::ifstream maps("/proc/self/maps");
    std::string line;
    bool anyLine = false;
    while (std::getline(maps, line)) {
        std::istringstream fields(line);
        std::string span, permissions, offset, device, inode, path;
        fields >> span >> permissions >> offset >> device >> inode;
        std::getline(fields >> std::ws, path);
        AddressRange range;
        const char* const end = span.data() + span.size();
        const auto [dash, beginError] = std::from_chars(span.data(), end, range.begin, 16);
        if (beginError != std::errc{} || dash == end || *dash != '-') continue;
        if (std::from_chars(dash + 1, end, range.end, 16).ec != std::errc{}) continue;
        anyLine = true;
        if (SafeToRead(permissions, path, range, images)) memory.readable.push_back(range);
    }
    // Every process has mappings: none read means the list could not be.
    if (!anyLine) memory.status = SnapshotStatus::NoMemoryMap;
    return memory;
}

// ---- FaultGuard ---------------------------------------------------------------------------------
// The guard installs its handler for the two signals a read of a bad page raises, remembering the
// handlers it replaced, and puts them back when it goes. While a run's work goes on, the running
// thread's id is set: a fault on that thread jumps back to where the run began, which then reports
// the faulting address. A fault on any other thread, or outside a run, is handed to the handler
// that was there before, or - for the system's default - raised again with that handler back.

namespace {

struct GuardState {
    std::mutex oneGuard;
    struct sigaction previousSegv {};
    struct sigaction previousBus {};
    std::atomic<pid_t> runningThread{0};
    sigjmp_buf runStart{};
    volatile std::uint64_t faultAddress = 0;
};

GuardState state;

void OnFault(int signal, siginfo_t* info, void* context) {
    if (state.runningThread.load(std::memory_order_relaxed) == gettid()) {
        state.runningThread.store(0, std::memory_order_relaxed);
        state.faultAddress = reinterpret_cast<std::uintptr_t>(info->si_addr);
        siglongjmp(state.runStart, 1);
    }
    const struct sigaction& previous = signal == SIGSEGV ? state.previousSegv : state.previousBus;
    if ((previous.sa_flags & SA_SIGINFO) != 0) {
        previous.sa_sigaction(signal, info, context);
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
    } else {
        // Returning runs the faulting instruction again, which now meets the default action.
        sigaction(signal, &previous, nullptr);
    }
}

}  // namespace

FaultGuard::FaultGuard() {
    state.oneGuard.lock();
    struct sigaction handler {};
    handler.sa_sigaction = OnFault;
    // SA_NODEFER: the jump out of the handler leaves the signal unblocked for the next run.
    handler.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&handler.sa_mask);
    sigaction(SIGSEGV, &handler, &state.previousSegv);
    sigaction(SIGBUS, &handler, &state.previousBus);
}

FaultGuard::~FaultGuard() {
    sigaction(SIGSEGV, &state.previousSegv, nullptr);
    sigaction(SIGBUS, &state.previousBus, nullptr);
    state.oneGuard.unlock();
}

std::optional<std::uint64_t> FaultGuard::Run(void (*work)(void*), void* context) {
    if (sigsetjmp(state.runStart, 0) != 0) return state.faultAddress;
    state.runningThread.store(gettid(), std::memory_order_relaxed);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    work(context);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    state.runningThread.store(0, std::memory_order_relaxed);
    return std::nullopt;
}

}  // namespace cloak::game
