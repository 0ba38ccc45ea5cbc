// Host SDK: the console.
#pragma once

#include <string>

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

private:
    sim::host::HostState* host_;
};
