// Addresses of the game's two global tables, handed over by the host through HybridPlugin and
// stored as given, or, from a host without it, found in the game's memory at load
// (table_discovery.hpp). Zero until then: the tables then read as empty (objects.cpp).
// What lies behind them is never trusted: every walk is bounded by the table's count and checks
// each slot, object, name entry and hash link before it reads it (IsPlausibleAddress,
// IsValidObject, IsValidNameEntry in objects.cpp; the hash chains in hash_tables.cpp).
#pragma once

#include <cstdint>

namespace cloak::game {

inline std::uint64_t ObjectTableAddress = 0;
inline std::uint64_t NameTableAddress = 0;
// Whether the host handed the addresses over (even as zero): a host that does is believed, and
// the tables are not looked for (game/table_discovery.hpp).
inline bool TablesHandedOver = false;

}  // namespace cloak::game
