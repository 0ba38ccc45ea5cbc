// What the process's memory holds, as the operating system describes it: which addresses may be
// read, and where the loaded images keep their writable data; and reads of that memory made by the
// system, which copies what it can and refuses the rest, so that no read of the plugin's ever
// faults in the game's process and no fault or signal handler is needed. The one platform seam of
// the game access: SnapshotProcessMemory and CopyBySystem are implemented on Windows in
// game/process_memory_windows.cpp (VirtualQuery, the module list, ReadProcessMemory) and on Linux
// beside the stand-ins, in sim/platform/process_memory_linux.cpp (/proc/self/maps,
// dl_iterate_phdr, process_vm_readv).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
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

// Copies [address, address + size) of this process into `buffer` through the operating system
// (ReadProcessMemory, process_vm_readv), which never touches the pages from the plugin's code:
// a page gone or no-access is refused, not faulted on. On Windows each region's protection is
// looked up just before it is copied, and a guard page or a no-access page is never copied (a
// copy would clear the guard, and the game's own use of it would be lost). Returns how many bytes
// from `address` on were copied: less than `size` when the page after them was refused.
std::size_t CopyBySystem(std::uint64_t address, void* buffer, std::size_t size);

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

// A search of 8-byte words in a copy: returns the first word from `first` on, before `end`, that
// it wants, or `end`. It may read the word after each it looks at (`end` itself is there).
using WordSearch = const std::uint64_t* (*)(const std::uint64_t* first, const std::uint64_t* end,
                                            const void* context);

// Reads of memory that is not the plugin's own: checked against the snapshot first (no read at
// all of an address that was never readable), then copied by the system. Remembers whether memory
// the snapshot called readable was refused: it changed since.
class ForeignMemory {
public:
    explicit ForeignMemory(const ProcessMemory& memory) : map_(memory.readable) {}

    const MemoryMap& Map() const { return map_; }
    // Whether all of [address, address + size) was copied into `buffer`.
    bool Read(std::uint64_t address, void* buffer, std::size_t size);
    // Copies the 8-byte words of `range` (from its first aligned one on) a chunk at a time into a
    // buffer, searches each chunk with `search`, and hands each word it picks to `visit` with the
    // word after it: a pair such as a counted array's descriptor, also where the pair straddles two
    // chunks. A page the system refuses is passed over, and the search goes on after it.
    void SearchWordPairs(AddressRange range, WordSearch search, const void* context,
                         const std::function<void(std::uint64_t address,
                                                  std::span<const std::uint64_t, 2> pair)>& visit);
    // Whether a read the snapshot allowed has been refused.
    bool ChangedSinceSnapshot() const { return changed_; }

private:
    MemoryMap map_;
    std::vector<std::uint64_t> chunk_;  // reused by every search
    bool changed_ = false;
};

// For tests: from now on, the system's copies of any byte of `range` are refused, as they would
// be for memory gone since the snapshot (Wine copies even no-access pages of its own process).
// An empty range ends that.
void RefuseCopiesForTesting(AddressRange range);

}  // namespace cloak::game
