// The plugin's rules for the game's counted strings. Every buffer the plugin stores into the game
// is allocated by the game (through RepeatString); the plugin never frees a game buffer.
#pragma once

#include <cstdint>
#include <string_view>

#include "game/layout.hpp"

namespace cloak::game {

// Gives `s` a new game-allocated buffer of n units holding the first min(n, count) units of its
// text; count becomes that number and capacity n. The former buffer is left to the game.
void ReserveGameString(GameString& s, std::int32_t n);
// A game-allocated copy of `text` with its terminating zero (count = capacity = length + 1).
// The buffer is null when the game yields none.
GameString MakeGameString(std::u16string_view text);
// Count and capacity become 0; the buffer stays where it is and is not freed.
void ReleaseGameString(GameString& s);
// `target` refers to `source`'s buffer; its former buffer is left to the game.
void AssignGameString(GameString& target, const GameString& source);

}  // namespace cloak::game
