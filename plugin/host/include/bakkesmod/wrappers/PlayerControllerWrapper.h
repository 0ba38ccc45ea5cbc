// Host SDK: a wrapper over a player controller.
#pragma once

#include <cstdint>

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/Engine/ActorWrapper.h"
#include "bakkesmod/wrappers/GameObject/PriWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT PlayerControllerWrapper : public ActorWrapper {
public:
    explicit PlayerControllerWrapper(std::uintptr_t mem);
    PlayerControllerWrapper(const PlayerControllerWrapper& other);
    PlayerControllerWrapper& operator=(PlayerControllerWrapper rhs);
    ~PlayerControllerWrapper();
    PriWrapper GetPRI();
};
