// The game's own hash tables, which lie below the name table: names by their case-folding CRC,
// objects by their name. Every chain is walked with the guards of the object-table walks: each
// link is validated before it is read, and a chain ends after as many links as the table it
// indexes can hold, so a damaged or looping chain finds nothing instead of crashing or hanging.
#pragma once

#include <array>
#include <cstdint>

#include "game/layout.hpp"

namespace cloak::game {

// ---- NameHash -----------------------------------------------------------------------------------

// The most-significant-bit-first CRC-32 table of polynomial 0x04C11DB7 the game hashes with.
inline constexpr std::array<std::uint32_t, 256> CrcTable = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t crc = i << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        }
        table[i] = crc;
    }
    return table;
}();

// The game's case-folding hash of a zero-terminated name text.
std::uint32_t NameHash(const char16_t* text);

// ---- Chains -------------------------------------------------------------------------------------

// The name entry whose text equals `text` ignoring the case of A-Z; null when there is none.
NameEntry* FindNameEntry(const char16_t* text);
// The first object of the object-hash bucket of (nameIndex, nameNumber) whose name index is
// `nameIndex` and which is of class `cls` or one derived from it; null when there is none.
const GameObject* FindInObjectHash(std::int32_t nameIndex, std::int32_t nameNumber,
                                   const GameObject& cls);

}  // namespace cloak::game
