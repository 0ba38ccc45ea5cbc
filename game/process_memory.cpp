// The portable half of the process-memory seam: checking reads against a snapshot, and the copies
// and searches of foreign memory that a fault may end.
#include "game/process_memory.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>

#include "game/memory.hpp"

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

namespace {

// A copy of foreign memory, run by the fault guard. Volatile loads: the compiler may neither turn
// the loop into a call of memcpy (which a sanitizer would check) nor read a byte twice.
struct Copy {
    std::uint64_t from = 0;
    std::byte* to = nullptr;
    std::size_t size = 0;
};

CLOAK_UNCHECKED_READS void CopyForeign(void* context) {
    const Copy& copy = *static_cast<const Copy*>(context);
    const volatile std::byte* from = PointerAt<const volatile std::byte>(copy.from);
    for (std::size_t i = 0; i < copy.size; ++i) copy.to[i] = from[i];
}

struct Search {
    WordSearch search = nullptr;
    const void* context = nullptr;
    const std::uint64_t* first = nullptr;
    const std::uint64_t* end = nullptr;
    const std::uint64_t* found = nullptr;
};

void SearchForeign(void* context) {
    Search& search = *static_cast<Search*>(context);
    search.found = search.search(search.first, search.end, search.context);
}

}  // namespace

bool ForeignMemory::Read(std::uint64_t address, void* buffer, std::size_t size) {
    if (!map_.Contains(address, size)) return false;
    Copy copy{address, static_cast<std::byte*>(buffer), size};
    if (!guard_.Run(CopyForeign, &copy)) return true;
    changed_ = true;
    return false;
}

void ForeignMemory::SearchWordPairs(
    AddressRange range, WordSearch search, const void* context,
    const std::function<void(std::uint64_t, std::span<const std::uint64_t, 2>)>& visit) {
    const std::uint64_t first = (range.begin + 7) & ~std::uint64_t{7};
    if (first < range.begin || first >= range.end || (range.end - first) / 8 < 2) return;
    // The range's last word: no pair starts there, but the search reads it after the one before.
    const std::uint64_t end = first + ((range.end - first) / 8 - 1) * 8;
    std::array<std::uint64_t, 2> pair{};
    for (std::uint64_t at = first; at < end;) {
        Search job{search, context, PointerAt<const std::uint64_t>(at),
                   PointerAt<const std::uint64_t>(end), nullptr};
        if (const std::optional<std::uint64_t> fault = guard_.Run(SearchForeign, &job)) {
            // Past the page that faulted (or the one searched from, for a fault elsewhere).
            changed_ = true;
            at = (std::max(at, *fault) & ~(kPageSize - 1)) + kPageSize;
            continue;
        }
        const std::uint64_t found = AddressOf(job.found);
        if (found < at || found >= end) return;
        if (Read(found, pair.data(), sizeof pair)) visit(found, pair);
        at = found + 8;
    }
}

}  // namespace cloak::game
