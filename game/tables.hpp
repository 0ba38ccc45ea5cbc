// Addresses of the game's two global tables, handed over by the host through HybridPlugin.
// Zero until the host sets them; stored unchanged and never tested.
#pragma once

#include <cstdint>

namespace cloak::game {

inline std::uint64_t ObjectTableAddress = 0;
inline std::uint64_t NameTableAddress = 0;

}  // namespace cloak::game
