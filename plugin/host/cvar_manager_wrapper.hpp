// Host SDK: the console.
#pragma once

#include <string>

#include "plugin/host/sdk_api.hpp"

namespace sim::host {
class HostState;
}

class SDK_API CVarManagerWrapper {
public:
    explicit CVarManagerWrapper(sim::host::HostState* host);
    // Writes one line to the host console.
    void log(std::string text);

private:
    sim::host::HostState* host_;
};
