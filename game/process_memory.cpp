// The portable half of the process-memory seam: checking reads against a snapshot, and the
// system's copies and the searches of foreign memory, chunk by chunk.
#include "game/process_memory.hpp"

#include <algorithm>
#include <cstddef>
#include <span>

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

// Words of image data copied and searched at a time: large enough that the system's cost per copy
// does not count, small enough to stay in the processor's cache while it is searched.
constexpr std::size_t kChunkWords = (std::size_t{256} << 10) / sizeof(std::uint64_t);

AddressRange refusedForTesting;

// The system's copy, short of the range a test has it refuse.
std::size_t Copy(std::uint64_t address, void* buffer, std::size_t size) {
    const AddressRange refused = refusedForTesting;
    if (refused.begin < address + size && address < refused.end) {
        size = refused.begin > address ? static_cast<std::size_t>(refused.begin - address) : 0;
    }
    return size == 0 ? 0 : CopyBySystem(address, buffer, size);
}

}  // namespace

void RefuseCopiesForTesting(AddressRange range) {
    refusedForTesting = range;
}

bool ForeignMemory::Read(std::uint64_t address, void* buffer, std::size_t size) {
    if (!map_.Contains(address, size)) return false;
    if (Copy(address, buffer, size) == size) return true;
    changed_ = true;
    return false;
}

void ForeignMemory::SearchWordPairs(
    AddressRange range, WordSearch search, const void* context,
    const std::function<void(std::uint64_t, std::span<const std::uint64_t, 2>)>& visit) {
    const std::uint64_t first = (range.begin + 7) & ~std::uint64_t{7};
    if (first < range.begin || first >= range.end || (range.end - first) / 8 < 2) return;
    // Where pairs may start: not at the range's last word, which only ends the pair before it.
    const std::uint64_t end = first + ((range.end - first) / 8 - 1) * 8;
    chunk_.resize(kChunkWords + 1);
    for (std::uint64_t at = first; at < end;) {
        // The chunk's pairs, and the word after its last one: a pair that straddles two chunks is
        // whole in the first, whose last word the next chunk copies again.
        const auto starts =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunkWords, (end - at) / 8));
        const std::size_t bytes = (starts + 1) * sizeof(std::uint64_t);
        const std::size_t copied = Copy(at, chunk_.data(), bytes);
        if (copied < bytes) {
            // Past the page refused.
            changed_ = true;
            at = ((at + copied) & ~(kPageSize - 1)) + kPageSize;
            continue;
        }
        const std::uint64_t* const words = chunk_.data();
        const std::uint64_t* const wordsEnd = words + starts;
        for (const std::uint64_t* word = words; word < wordsEnd; ++word) {
            word = search(word, wordsEnd, context);
            if (word >= wordsEnd) break;
            visit(at + static_cast<std::uint64_t>(word - words) * sizeof(std::uint64_t),
                  std::span<const std::uint64_t, 2>(word, 2));
        }
        at += starts * sizeof(std::uint64_t);
    }
}

}  // namespace cloak::game
