// Host SDK: the base of every wrapper over a game object.
//
// Wrappers are values. They are built, copied, tested and released only through the host's own
// constructors, operators and destructors (defined in the host library). The plugin reads the
// object address straight from `memory_address`, the wrapper's first and only data member.
#pragma once

#include <cstdint>

#include "bakkesmod/plugin/bakkesmodsdk.h"

class BAKKESMOD_PLUGIN_IMPORT ObjectWrapper {
public:
    ObjectWrapper(std::uintptr_t mem);
    std::uintptr_t memory_address;
};
