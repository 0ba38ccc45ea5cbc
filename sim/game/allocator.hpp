// The game's allocator: every buffer the game owns (objects, names, tables, strings, arrays) comes
// from here and is recorded, so tests can tell a game buffer from any other memory.
//
// Buffers are carved out of large arenas and live until the allocator goes, so a plugin that
// freed a game buffer would hand the C++ runtime an address it never gave out; that is reported
// at once (AddressSanitizer, or the C library's own check). In sanitizer builds the gaps between
// buffers and the unused rest of each arena are poisoned, so reading past a buffer is reported
// as well.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace emu {

class GameAllocator {
public:
    GameAllocator() = default;
    GameAllocator(const GameAllocator&) = delete;
    GameAllocator& operator=(const GameAllocator&) = delete;
    ~GameAllocator();

    // A zero-filled buffer of `bytes` bytes (at least 1), aligned to 16.
    void* Allocate(std::size_t bytes);
    template <class T>
    T* AllocateArray(std::size_t count) {
        return static_cast<T*>(Allocate(count * sizeof(T)));
    }

    // Whether `address` is the start of a buffer handed out by this allocator.
    bool IsGameBuffer(const void* address) const;
    // Whether `address` lies inside a buffer handed out by this allocator.
    bool IsInsideGameBuffer(const void* address) const;
    // The size requested for the buffer starting at `address`; 0 if it is not a game buffer.
    std::size_t BufferSize(const void* address) const;

private:
    struct Arena {
        std::unique_ptr<std::byte[]> memory;
        std::size_t size;
        std::size_t used;
    };
    Arena& ArenaWithRoom(std::size_t bytes);

    std::vector<Arena> arenas_;
    std::map<std::uintptr_t, std::size_t> buffers_;  // start address -> requested size
};

}  // namespace emu
