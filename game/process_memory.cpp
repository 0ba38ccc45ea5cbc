// The portable half of the process-memory seam: checking reads against a snapshot, reading in
// stretches, and the copy that a fault may end.
#include "game/process_memory.hpp"

#include <algorithm>
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

// Words copied per stretch while scanning: small enough to stay in the processor's cache for the
// scan that follows.
constexpr std::size_t kStretchWords = (std::size_t{1} << 18) / sizeof(std::uint64_t);

#if defined(__GNUC__)
#define CLOAK_UNCHECKED_READS __attribute__((no_sanitize("address", "thread")))
#else
#define CLOAK_UNCHECKED_READS
#endif

// Volatile loads: the compiler may neither turn the loop into a call of memcpy (which a sanitizer
// checks, and which is no part of the copy a fault may end) nor read a word twice.
CLOAK_UNCHECKED_READS void CopyPart(std::uint64_t address, std::byte* to, std::size_t size) {
    if ((address | reinterpret_cast<std::uintptr_t>(to) | size) % 8 == 0) {
        const volatile std::uint64_t* from = PointerAt<const volatile std::uint64_t>(address);
        auto* words = reinterpret_cast<std::uint64_t*>(to);
        for (std::size_t i = 0; i < size / 8; ++i) words[i] = from[i];
        return;
    }
    const volatile std::byte* from = PointerAt<const volatile std::byte>(address);
    for (std::size_t i = 0; i < size; ++i) to[i] = from[i];
}

}  // namespace

void CopyNotingProgress(std::uint64_t address, void* buffer, std::size_t size,
                        volatile std::size_t& copied) {
    copied = 0;
    auto* to = static_cast<std::byte*>(buffer);
    while (copied < size) {
        const std::uint64_t at = address + copied;
        const auto part = static_cast<std::size_t>(
            std::min<std::uint64_t>(size - copied, kPageSize - at % kPageSize));
        CopyPart(at, to + copied, part);
        copied = copied + part;
    }
}

bool ForeignMemory::Read(std::uint64_t address, void* buffer, std::size_t size) {
    if (!map_.Contains(address, size)) return false;
    if (reader_.Read(address, buffer, size) == size) return true;
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
        const std::size_t copied = reader_.Read(at, stretch_.data(), words * 8) / 8;
        if (copied < words) changed_ = true;
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
