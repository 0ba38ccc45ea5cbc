// save-loop FOLDER: saves the large record and the defaults in turn to FOLDER/settings.json, as
// fast as it can, until it is killed.
#include "tests/save_loop.hpp"

#include "plugin/cloak_my_identity.hpp"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    CloakMyIdentity plugin;
    plugin.SettingsFolder = argv[1];
    const PluginSettings large = testing_support::LargeSavedRecord();
    const PluginSettings small;
    for (bool useLarge = true;; useLarge = !useLarge) {
        plugin.settings = useLarge ? large : small;
        plugin.SaveSettings();
    }
}
