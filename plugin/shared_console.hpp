// The host console every log line of the plugin goes through.
#pragma once

#include <memory>

#include "plugin/host/cvar_manager_wrapper.hpp"

// Empty until onLoad, which replaces it with a copy of the host's console wrapper every time.
extern std::shared_ptr<CVarManagerWrapper> sharedConsole;
