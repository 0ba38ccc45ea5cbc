// The process's memory as Linux describes it: /proc/self/maps for what may be read, the dynamic
// linker's list of loaded images (dl_iterate_phdr) for their writable data.
#include <link.h>

#include <fstream>
#include <sstream>
#include <string>

#include "game/process_memory.hpp"

namespace cloak::game {

namespace {

// A mapping reads without a fault when it is readable and not backed by a file, which faults
// past its end; the images are file-backed but lie within their files, and their zero-filled
// data is anonymous. The kernel's own pages ([vvar], [vsyscall]) are left out: some fault.
bool SafeToRead(const std::string& permissions, const std::string& path) {
    if (permissions.empty() || permissions[0] != 'r') return false;
    return path.empty() || path == "[heap]" || path.rfind("[stack", 0) == 0 ||
           path.rfind("[anon", 0) == 0;
}

int AddImageData(dl_phdr_info* info, std::size_t, void* data) {
    auto& memory = *static_cast<ProcessMemory*>(data);
    for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD || segment.p_memsz == 0) continue;
        const std::uint64_t begin = info->dlpi_addr + segment.p_vaddr;
        const AddressRange range{begin, begin + segment.p_memsz};
        if ((segment.p_flags & PF_R) == 0) continue;
        memory.readable.push_back(range);
        if ((segment.p_flags & PF_W) != 0) memory.imageData.push_back(range);
    }
    return 0;
}

}  // namespace

ProcessMemory SnapshotProcessMemory() {
    ProcessMemory memory;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        std::istringstream fields(line);
        std::string span, permissions, offset, device, inode, path;
        fields >> span >> permissions >> offset >> device >> inode;
        std::getline(fields >> std::ws, path);
        const std::size_t dash = span.find('-');
        if (dash == std::string::npos || !SafeToRead(permissions, path)) continue;
        memory.readable.push_back({std::stoull(span.substr(0, dash), nullptr, 16),
                                   std::stoull(span.substr(dash + 1), nullptr, 16)});
    }
    dl_iterate_phdr(AddImageData, &memory);
    return memory;
}

}  // namespace cloak::game
