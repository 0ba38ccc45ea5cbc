// The portable half of the process-memory seam: checking reads against a snapshot.
#include "game/process_memory.hpp"

#include <algorithm>

namespace cloak::game {

MemoryMap::MemoryMap(std::vector<AddressRange> readable) {
    std::sort(readable.begin(), readable.end(),
              [](const AddressRange& a, const AddressRange& b) { return a.begin < b.begin; });
    for (const AddressRange& range : readable) {
        if (range.end <= range.begin) continue;
        if (!ranges_.empty() && range.begin <= ranges_.back().end) {
            ranges_.back().end = std::max(ranges_.back().end, range.end);
        } else {
            ranges_.push_back(range);
        }
    }
}

bool MemoryMap::Contains(std::uint64_t address, std::uint64_t size) const {
    if (address + size < address) return false;
    auto after = std::upper_bound(
        ranges_.begin(), ranges_.end(), address,
        [](std::uint64_t value, const AddressRange& range) { return value < range.begin; });
    if (after == ranges_.begin()) return false;
    const AddressRange& range = *(after - 1);
    return address + size <= range.end;
}

std::vector<AddressRange> MemoryMap::ReadablePartsOf(AddressRange wanted) const {
    std::vector<AddressRange> parts;
    for (const AddressRange& range : ranges_) {
        const std::uint64_t begin = std::max(range.begin, wanted.begin);
        const std::uint64_t end = std::min(range.end, wanted.end);
        if (begin < end) parts.push_back({begin, end});
    }
    return parts;
}

}  // namespace cloak::game
