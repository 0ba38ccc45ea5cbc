// What the plugin showed over the game, as cloak-demo prints it: the toasts, in the table output
// one line each after the console lines and in --json as {"type", "title", "text"} objects; and
// the lines its drawables drew on the game's screen, each change of them with the game time it
// came at.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "sim/host/host_state.hpp"

namespace demo {

// "Info", "OK", "Warning" or "Error" (the SDK's ToastType); the number for any other.
std::string ToastTypeName(std::uint8_t type);

// "  [OK] CloakMyIdentity: Concealing." per toast, each ending in a line break.
std::string ToastLines(const std::vector<sim::host::ShownToast>& toasts);

nlohmann::json ToastsJson(const std::vector<sim::host::ShownToast>& toasts);

// Per change: "  from 1.25 s: \"text\" at (18, 18) in 255,64,64" per string drawn (boxes are
// left out), or "  from 1.25 s: nothing" when the screen was cleared.
std::string CanvasLines(const std::vector<sim::host::DrawnFrame>& changes);
// [{"from": seconds, "lines": [{"text", "x", "y", "colour": [r, g, b, a]}]}]
nlohmann::json CanvasJson(const std::vector<sim::host::DrawnFrame>& changes);

}  // namespace demo
