// Test support: the two records the save-loop program (tests/save_loop.cpp) saves in turn until
// it is killed, so that a test can tell whether settings.json holds one of them whole.
#pragma once

#include <string>

#include "settings/plugin_settings.hpp"

namespace testing_support {

// Differs from the defaults in switches and in size (3000 more statistics): a save of it takes
// long enough to be caught halfway.
inline PluginSettings LargeSavedRecord() {
    PluginSettings large;
    for (int i = 0; i < 3000; ++i) large.Stats.FindOrAdd("Statistic" + std::to_string(i));
    large.bShowNames.set(false);
    large.bDefaultLoadouts.set(false);
    return large;
}

}  // namespace testing_support
