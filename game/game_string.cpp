// The plugin's rules for the game's counted strings.
#include "game/game_string.hpp"

#include <algorithm>
#include <cstring>

#include "game/script_calls.hpp"

namespace cloak::game {

void ReserveGameString(GameString& s, std::int32_t n) {
    // The seed is the one buffer the plugin provides itself; it only has to outlive the call,
    // and the game keeps nothing of it, so it lives on this frame and is gone right after.
    char16_t seed[2] = {u' ', 0};
    GameString reserved = RepeatString(GameString{seed, 2, 2}, n - 1);
    const std::int32_t keep = std::min(n, s.count);
    if (s.data != nullptr && reserved.data != nullptr && keep > 0) {
        std::memcpy(reserved.data, s.data, static_cast<std::size_t>(keep) * sizeof(char16_t));
    }
    s = GameString{reserved.data, keep, n};
}

GameString MakeGameString(std::u16string_view text) {
    const auto n = static_cast<std::int32_t>(text.size() + 1);
    GameString made{nullptr, n, n};
    ReserveGameString(made, n);
    if (made.data != nullptr) {
        std::memcpy(made.data, text.data(), text.size() * sizeof(char16_t));
        made.data[text.size()] = 0;
    }
    return made;
}

void ReleaseGameString(GameString& s) {
    s.count = 0;
    s.capacity = 0;
}

void AssignGameString(GameString& target, const GameString& source) {
    if (&target == &source) return;
    target = source;
}

}  // namespace cloak::game
