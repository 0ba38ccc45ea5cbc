// The game's allocator.
#include "sim/game/allocator.hpp"

#include <algorithm>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define SIM_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define SIM_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define SIM_POISON(address, size) ((void)(address), (void)(size))
#define SIM_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace emu {

namespace {

constexpr std::size_t kAlignment = 16;
// Space left poisoned after every buffer, so an overrun lands in no other buffer.
constexpr std::size_t kRedZone = 16;
constexpr std::size_t kArenaSize = std::size_t{8} << 20;

std::size_t RoundUp(std::size_t value) {
    return (value + kAlignment - 1) / kAlignment * kAlignment;
}

}  // namespace

GameAllocator::~GameAllocator() {
    for (Arena& arena : arenas_) SIM_UNPOISON(arena.memory.get(), arena.size);
}

GameAllocator::Arena& GameAllocator::ArenaWithRoom(std::size_t bytes) {
    if (arenas_.empty() || arenas_.back().size - arenas_.back().used < bytes) {
        const std::size_t size = std::max(kArenaSize, bytes);
        // operator new[] aligns to at least 16 bytes on the platforms the emulator runs on.
        arenas_.push_back(Arena{std::make_unique_for_overwrite<std::byte[]>(size), size, 0});
        SIM_POISON(arenas_.back().memory.get(), size);
    }
    return arenas_.back();
}

void* GameAllocator::Allocate(std::size_t bytes) {
    bytes = std::max<std::size_t>(bytes, 1);
    const std::size_t footprint = RoundUp(bytes) + kRedZone;
    Arena& arena = ArenaWithRoom(footprint);
    std::byte* buffer = arena.memory.get() + arena.used;
    arena.used += footprint;
    SIM_UNPOISON(buffer, bytes);
    std::memset(buffer, 0, bytes);
    buffers_.emplace(reinterpret_cast<std::uintptr_t>(buffer), bytes);
    return buffer;
}

bool GameAllocator::IsGameBuffer(const void* address) const {
    return buffers_.contains(reinterpret_cast<std::uintptr_t>(address));
}

bool GameAllocator::IsInsideGameBuffer(const void* address) const {
    const auto value = reinterpret_cast<std::uintptr_t>(address);
    auto after = buffers_.upper_bound(value);
    if (after == buffers_.begin()) return false;
    const auto& [start, size] = *std::prev(after);
    return value < start + size;
}

std::size_t GameAllocator::BufferSize(const void* address) const {
    auto found = buffers_.find(reinterpret_cast<std::uintptr_t>(address));
    return found == buffers_.end() ? 0 : found->second;
}

}  // namespace emu
