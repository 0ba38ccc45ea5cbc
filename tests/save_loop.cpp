// save-loop FOLDER RECORD...: saves the named records (tests/save_loop.hpp) in turn to
// FOLDER/settings.json, as fast as it can, until it is killed. Another process, as a second game
// client or a save cut short by a crash would be.
#include "tests/save_loop.hpp"

#include <vector>

#include "plugin/cloak_my_identity.hpp"

using namespace cloak;

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    CloakMyIdentity plugin;
    plugin.SettingsFolder = argv[1];
    std::vector<PluginSettings> records;
    for (int i = 2; i < argc; ++i) records.push_back(testing_support::SavedRecord(argv[i]));
    for (std::size_t next = 0;; next = (next + 1) % records.size()) {
        plugin.settings = records[next];
        plugin.SaveSettings();
    }
}
