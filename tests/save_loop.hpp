// Test support: the records the save-loop program (tests/save_loop.cpp) saves, by name, so that a
// test can tell whether settings.json holds one of them whole.
#pragma once

#include <string>
#include <string_view>

#include "settings/plugin_settings.hpp"

namespace testing_support {

// "defaults"; "large": 3000 more statistics, names and loadouts left to the game (long enough to
// be caught halfway); "names": 400 more statistics, names left to the game; "loadouts": loadouts
// left to the game.
inline cloak::PluginSettings SavedRecord(std::string_view name) {
    cloak::PluginSettings record;
    const int statistics = name == "large" ? 3000 : name == "names" ? 400 : 0;
    for (int i = 0; i < statistics; ++i) record.Stats.FindOrAdd("Statistic" + std::to_string(i));
    if (name == "large" || name == "names") record.bShowNames.set(false);
    if (name == "large" || name == "loadouts") record.bDefaultLoadouts.set(false);
    return record;
}

}  // namespace testing_support
