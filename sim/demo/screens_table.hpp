// The demo's table: what each screen shows without and with the plugin, side by side.
#pragma once

#include <string>

#include "sim/game/match_screens.hpp"

namespace demo {

// Rows that differ between the two columns are marked with "*" in the first column.
std::string ScreensTable(const emu::Screens& without, const emu::Screens& with);

}  // namespace demo
