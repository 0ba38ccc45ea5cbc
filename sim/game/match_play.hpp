// Playing a match script on the emulated game.
#pragma once

#include <functional>

#include "sim/game/match_script.hpp"
#include "sim/game/match_session.hpp"

namespace emu {

// Plays every event of `script` in order. Between two events the game thread ticks: `tick` runs
// (the host's queued work), and while the player is in the menus the pending notifications are
// shown. A console event hands its line to `console` (the host's console), when given.
void PlayMatchScript(Session& session, const MatchScript& script, const std::function<void()>& tick,
                     const std::function<void(const std::string&)>& console = {});

}  // namespace emu
