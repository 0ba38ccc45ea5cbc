// The portable half of the process-memory seam: checking reads against a snapshot, and reading
// through the operating system in stretches.
#include "game/process_memory.hpp"

#include <algorithm>
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

// Words copied per call of the operating system while scanning: large enough that the call's own
// cost is lost in the copying (at 64 KiB a call the scan took a third longer), small enough to
// stay in the processor's cache for the scan that follows.
constexpr std::size_t kStretchWords = (std::size_t{1} << 20) / sizeof(std::uint64_t);

}  // namespace

bool ForeignMemory::Read(std::uint64_t address, void* buffer, std::size_t size) {
    if (!map_.Contains(address, size)) return false;
    if (ReadOwnMemory(address, buffer, size) == size) return true;
    changed_ = true;
    return false;
}

void ForeignMemory::ForEachStretch(
    AddressRange range, std::size_t overlapWords,
    const std::function<void(std::uint64_t, std::span<const std::uint64_t>)>& visit) {
    std::uint64_t at = (range.begin + 7) & ~std::uint64_t{7};
    if (at < range.begin || at >= range.end) return;
    const std::uint64_t end = at + (range.end - at) / 8 * 8;
    stretch_.resize(kStretchWords);
    while (at < end) {
        const std::size_t words = std::min<std::uint64_t>(kStretchWords, (end - at) / 8);
        std::size_t copied = ReadOwnMemory(at, stretch_.data(), words * 8) / 8;
        if (copied < words) {
            changed_ = true;
            // Page by page up to the page that failed, to keep what lies before it (a call that
            // met a page going away as it copied may have copied nothing).
            const std::uint64_t stretchEnd = at + words * 8;
            for (std::uint64_t piece = at + copied * 8; piece < stretchEnd;) {
                const std::uint64_t pieceEnd =
                    std::min(stretchEnd, (piece & ~(kPageSize - 1)) + kPageSize);
                const auto bytes = static_cast<std::size_t>(pieceEnd - piece);
                if (ReadOwnMemory(piece, stretch_.data() + copied, bytes) != bytes) break;
                copied += bytes / 8;
                piece = pieceEnd;
            }
        }
        if (copied > 0) visit(at, {stretch_.data(), copied});
        if (copied < words) {
            // Past the page that failed.
            at = ((at + copied * 8) & ~(kPageSize - 1)) + kPageSize;
            continue;
        }
        if (at + words * 8 == end) return;
        at += (words - overlapWords) * 8;
    }
}

}  // namespace cloak::game
