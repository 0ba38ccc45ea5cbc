// The toasts the plugin showed, as cloak-demo prints them: in the table output, one line each
// after the console lines, and in --json as {"type", "title", "text"} objects.
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

}  // namespace demo
