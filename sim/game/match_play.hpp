// Playing a match script on the emulated game.
#pragma once

#include <functional>

#include "sim/game/match_script.hpp"
#include "sim/game/match_session.hpp"

namespace emu {

// The game's frame rate: a "wait" event plays this many frames a second.
inline constexpr int kFramesPerSecond = 60;

// Plays every event of `script` in order. After each event, and on every frame of a "wait", the
// game thread ticks: `tick` runs (the host's queued work), and while the player is in the menus
// the pending notifications are shown. A "loadPlugin" event calls `loadPlugin`, and a console
// event hands its line to `console` (the host's console), when given.
void PlayMatchScript(Session& session, const MatchScript& script, const std::function<void()>& tick,
                     const std::function<void()>& loadPlugin = {},
                     const std::function<void(const std::string&)>& console = {});

}  // namespace emu
