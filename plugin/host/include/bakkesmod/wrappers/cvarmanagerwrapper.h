// Host SDK: the console.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "bakkesmod/plugin/bakkesmodsdk.h"

namespace sim::host {
class HostState;
}

class BAKKESMOD_PLUGIN_IMPORT CVarManagerWrapper {
public:
    explicit CVarManagerWrapper(sim::host::HostState* host);
    // Writes one line to the host console.
    void log(std::string text);
    void log(std::wstring text);

    // Console commands. A notifier gets the words typed, the command's own name first; the host
    // removes a plugin's commands when it unloads the plugin. `permissions` is a PERMISSION_
    // value: where the command may run.
    void registerNotifier(std::string cvar, std::function<void(std::vector<std::string>)> notifier,
                          std::string description, unsigned char permissions);
    bool removeNotifier(std::string cvar);
    // Runs a line as if typed into the console: commands separated by ';', words by blanks,
    // a double-quoted text being one word.
    void executeCommand(std::string command, bool log = true);

private:
    sim::host::HostState* host_;
};
