// What the process's memory holds, as the operating system describes it: which addresses may be
// read without a fault, and where the loaded images keep their writable data. The one platform
// seam of the game access: SnapshotProcessMemory is implemented on Windows in
// game/process_memory_windows.cpp (VirtualQuery and the module list) and on Linux beside the
// stand-ins, in sim/platform/process_memory_linux.cpp (/proc/self/maps and dl_iterate_phdr).
#pragma once

#include <cstdint>
#include <vector>

namespace cloak::game {

// [begin, end)
struct AddressRange {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
};

struct ProcessMemory {
    // Memory that reads without a fault: committed private or anonymous memory and the loaded
    // images, never guard pages nor mapped files (a file shorter than its mapping faults).
    std::vector<AddressRange> readable;
    // The writable sections of every loaded image (data and zero-filled data).
    std::vector<AddressRange> imageData;
};

ProcessMemory SnapshotProcessMemory();

// Reads of memory whose owner the plugin does not know (another module's static data, a pointer
// that is only a candidate) are checked against the snapshot rather than against the sanitizers'
// view of C++ objects, whose poisoned gaps they may cross.
#if defined(__GNUC__) || defined(__clang__)
#define CLOAK_FOREIGN_READS __attribute__((no_sanitize_address))
#elif defined(_MSC_VER)
#define CLOAK_FOREIGN_READS __declspec(no_sanitize_address)
#else
#define CLOAK_FOREIGN_READS
#endif

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

}  // namespace cloak::game
