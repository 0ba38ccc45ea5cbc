// A table from full names to game objects, built once per index and read many times.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "game/layout.hpp"

namespace cloak::game {

// Full names filed with their objects. The texts lie back to back in large blocks that never
// move; an open-addressing table of slots pointing into them finds a name in one probe on
// average, and filing allocates nothing but the occasional block or larger table.
class FullNameIndex {
public:
    // Texts up to this long share blocks; a longer one gets a block of its own.
    static constexpr std::size_t kBlockSize = 256 * 1024;

    GameObject* Find(std::string_view fullName) const;
    // Files `object` under `fullName`; an object already filed there stays when `keepFirst` is
    // set and is replaced otherwise.
    void File(std::string_view fullName, GameObject* object, bool keepFirst);

private:
    struct Slot {
        const char* text = nullptr;  // null: the slot is free
        std::size_t length = 0;
        std::size_t hash = 0;
        GameObject* object = nullptr;
    };

    // The slot holding `text`, or the free slot where it belongs. The table is never full.
    std::size_t Probe(std::string_view text, std::size_t hash) const;
    void Grow();
    // A lasting copy of `text` in the current block, or in a new one when it does not fit.
    const char* Store(std::string_view text);

    std::vector<Slot> slots_;  // a power of two in size, at most three quarters used
    std::size_t used_ = 0;
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t blockSize_ = 0;  // of the last block
    std::size_t blockUsed_ = 0;  // of the last block
};

}  // namespace cloak::game
