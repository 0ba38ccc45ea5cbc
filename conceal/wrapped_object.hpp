// The game object behind a host wrapper: the address the host keeps in the wrapper's first field.
#pragma once

#include "bakkesmod/wrappers/Engine/ObjectWrapper.h"
#include "game/layout.hpp"
#include "game/memory.hpp"

namespace cloak {

inline game::GameObject* WrappedObject(const ObjectWrapper& wrapper) {
    return game::PointerAt<game::GameObject>(wrapper.memory_address);
}

}  // namespace cloak
