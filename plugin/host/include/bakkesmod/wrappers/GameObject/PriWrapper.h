// Host SDK: a wrapper over a player's replicated record. (The host's own class hierarchy puts
// two more classes between it and ActorWrapper; the plugin needs neither.)
#pragma once

#include <cstdint>

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/Engine/ActorWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT PriWrapper : public ActorWrapper {
public:
    explicit PriWrapper(std::uintptr_t mem);
    PriWrapper(const PriWrapper& other);
    PriWrapper& operator=(PriWrapper rhs);
    ~PriWrapper();
    void SetClubID(unsigned long long newClubID);
};
