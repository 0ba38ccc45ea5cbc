// What the process's memory holds, as the operating system describes it: which addresses may be
// read, and where the loaded images keep their writable data; and reads of that memory that report
// memory gone or made no-access since, rather than fault on it. The one platform seam of the game
// access: SnapshotProcessMemory and OwnMemoryReader are implemented on Windows in
// game/process_memory_windows.cpp (VirtualQuery, the module list, a vectored exception handler) and
// on Linux beside the stand-ins, in sim/platform/process_memory_linux.cpp (/proc/self/maps,
// dl_iterate_phdr, a signal handler).
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

// Reads of this process's memory that report a page that faults - gone, or made no-access since
// the snapshot, by another thread of the game or by software that guards it - instead of taking
// the process down. While a reader lives, a fault in one of its own copies, on the thread that
// made it, ends that copy early; any other fault goes on to whatever handled faults before (the
// game's, the host's or the system's handler) as if the reader were not there. One reader at a
// time in the process: making a second waits until the first is gone.
class OwnMemoryReader {
public:
    OwnMemoryReader();
    ~OwnMemoryReader();
    OwnMemoryReader(const OwnMemoryReader&) = delete;
    OwnMemoryReader& operator=(const OwnMemoryReader&) = delete;

    // Copies [address, address + size) into `buffer`. Returns how many bytes from the start were
    // copied; fewer than `size` when a page on the way faults.
    std::size_t Read(std::uint64_t address, void* buffer, std::size_t size);
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

// Reads of memory that is not the plugin's own: checked against the snapshot first (no read at
// all of an address that was never readable), then made by an OwnMemoryReader.
// Remembers whether memory the snapshot called readable failed to read: it changed since.
class ForeignMemory {
public:
    explicit ForeignMemory(const ProcessMemory& memory) : map_(memory.readable) {}

    const MemoryMap& Map() const { return map_; }
    // Whether all of [address, address + size) was copied into `buffer`.
    bool Read(std::uint64_t address, void* buffer, std::size_t size);
    // Each readable stretch of `range` in turn, copied into a buffer of this object's, as 8-byte
    // words from the first aligned one on. Consecutive stretches overlap by `overlapWords`, so a
    // record of that many words plus one is seen whole in one of them; a stretch ends where a page
    // cannot be read, and the scan goes on after it.
    void ForEachStretch(AddressRange range, std::size_t overlapWords,
                        const std::function<void(std::uint64_t address,
                                                 std::span<const std::uint64_t> words)>& visit);
    // Whether a read the snapshot allowed has failed.
    bool ChangedSinceSnapshot() const { return changed_; }

private:
    MemoryMap map_;
    OwnMemoryReader reader_;
    std::vector<std::uint64_t> stretch_;
    bool changed_ = false;
};

// ---- For the implementations of OwnMemoryReader
// ---------------------------------------------------

// Copies [address, address + size) into `buffer` a page's part at a time, setting `copied` to the
// bytes done after each part: what a fault that ends the copy leaves of it. Reads the memory with
// the sanitizers' checks off - it is not the program's own data - and never through a call.
void CopyNotingProgress(std::uint64_t address, void* buffer, std::size_t size,
                        volatile std::size_t& copied);

}  // namespace cloak::game
