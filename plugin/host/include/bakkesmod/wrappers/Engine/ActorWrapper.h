// Host SDK: a wrapper over a game actor.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/Engine/ObjectWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT ActorWrapper : public ObjectWrapper {
public:
    explicit ActorWrapper(std::uintptr_t mem);
    ActorWrapper(const ActorWrapper& other);
    ActorWrapper& operator=(ActorWrapper rhs);
    ~ActorWrapper();
    bool IsNull();
    explicit operator bool();
    explicit operator bool() const;
};

// The plugin reads a wrapper's object address from its first 64-bit field: that is the contract.
static_assert(offsetof(ActorWrapper, memory_address) == 0);
static_assert(sizeof(std::uintptr_t) == 8, "the game is a 64-bit process");
