// What the process's memory holds, as the operating system describes it: which addresses may be
// read, and where the loaded images keep their writable data; and reads of that memory that report
// memory gone or made no-access since, rather than fault on it. The one platform seam of the game
// access: SnapshotProcessMemory and FaultGuard are implemented on Windows in
// game/process_memory_windows.cpp (VirtualQuery, the module list, a vectored exception handler) and
// on Linux beside the stand-ins, in sim/platform/process_memory_linux.cpp (/proc/self/maps,
// dl_iterate_phdr, a signal handler).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace cloak::game {

// [begin, end)
struct AddressRange {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
};

// What of the process's memory the snapshot could describe.
enum class SnapshotStatus {
    Complete,
    NoMemoryMap,   // the operating system's list of the memory's regions could not be read
    NoModuleList,  // the list of loaded images could not be read: imageData is empty
};

struct ProcessMemory {
    SnapshotStatus status = SnapshotStatus::Complete;
    // Memory that was readable when the snapshot was taken: committed private or anonymous memory
    // and the loaded images, never guard pages nor mapped files (a file shorter than its mapping
    // faults).
    std::vector<AddressRange> readable;
    // The writable sections of every loaded image (data and zero-filled data).
    std::vector<AddressRange> imageData;
};

ProcessMemory SnapshotProcessMemory();

// While a guard lives, a fault inside one of its runs, on the thread that made it - a page gone,
// or made no-access since the snapshot, by another thread of the game or by software that watches
// it - ends that run instead of the process. Any other fault goes on to whatever handled faults
// before (the game's, the host's or the system's handler) as if the guard were not there. One
// guard at a time in the process: making a second waits until the first is gone.
class FaultGuard {
public:
    FaultGuard();
    ~FaultGuard();
    FaultGuard(const FaultGuard&) = delete;
    FaultGuard& operator=(const FaultGuard&) = delete;

    // Runs work(context). Returns nothing when it ran to its end, or the address whose access
    // faulted and ended it there. A fault leaves `work` where it was: it may read foreign memory
    // and write what the caller gave it, but must not allocate, take a lock or make anything that
    // needs undoing.
    std::optional<std::uint64_t> Run(void (*work)(void* context), void* context);
};

// The unit of the operating systems' page protections.
inline constexpr std::uint64_t kPageSize = 4096;

// A snapshot's readable ranges, sorted and merged, for checking each read before it is made.
class MemoryMap {
public:
    explicit MemoryMap(std::vector<AddressRange> readable);
    // Whether all of [address, address + size) is readable.
    bool Contains(std::uint64_t address, std::uint64_t size) const;
    // The parts of `range` that are readable.
    std::vector<AddressRange> ReadablePartsOf(AddressRange range) const;

private:
    std::vector<AddressRange> ranges_;
};

// A search of 8-byte words in place, run by a FaultGuard: returns the first word from `first` on,
// before `end`, that it wants, or `end`. It may read the word after each it looks at (`end` itself
// is readable).
using WordSearch = const std::uint64_t* (*)(const std::uint64_t* first, const std::uint64_t* end,
                                            const void* context);

// Reads of memory that is not the plugin's own: checked against the snapshot first (no read at
// all of an address that was never readable), then made under a FaultGuard. Remembers whether
// memory the snapshot called readable failed to read: it changed since.
class ForeignMemory {
public:
    explicit ForeignMemory(const ProcessMemory& memory) : map_(memory.readable) {}

    const MemoryMap& Map() const { return map_; }
    // Whether all of [address, address + size) was copied into `buffer`.
    bool Read(std::uint64_t address, void* buffer, std::size_t size);
    // Searches the 8-byte words of `range` (from its first aligned one on) in place with `search`,
    // and hands each word it picks to `visit` with the word after it, copied: a pair such as a
    // counted array's descriptor. A page that faults is passed over, and the search goes on after
    // it.
    void SearchWordPairs(AddressRange range, WordSearch search, const void* context,
                         const std::function<void(std::uint64_t address,
                                                  std::span<const std::uint64_t, 2> pair)>& visit);
    // Whether a read the snapshot allowed has failed.
    bool ChangedSinceSnapshot() const { return changed_; }

private:
    MemoryMap map_;
    FaultGuard guard_;
    bool changed_ = false;
};

}  // namespace cloak::game
