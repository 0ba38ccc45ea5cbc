// The process's memory as Linux describes it: /proc/self/maps for what may be read, with the live
// protection of every page; the dynamic linker's list of loaded images (dl_iterate_phdr) for
// where their writable data lies; process_vm_readv for the copies.
#include <link.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <fstream>
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

// ---- Copies by the system -----------------------------------------------------------------------
// process_vm_readv on the process itself: the kernel copies, and a page it cannot read (gone, or
// no-access) ends the copy there instead of raising a signal. Linux has no guard pages that a read
// changes, so the snapshot's check is the one made before a copy.

std::size_t CopyBySystem(std::uint64_t address, void* buffer, std::size_t size) {
    std::size_t copied = 0;
    while (copied < size) {
        const iovec local{static_cast<std::byte*>(buffer) + copied, size - copied};
        const iovec remote{reinterpret_cast<void*>(static_cast<std::uintptr_t>(address + copied)),
                           size - copied};
        const ssize_t done = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) break;
        copied += static_cast<std::size_t>(done);
    }
    return copied;
}

}  // namespace cloak::game
