// Stand-in host: the wrappers' value semantics. Game-facing operations (GetPRI, SetClubID, the
// item catalogue) are implemented over the game emulator.
#include "plugin/host/wrappers.hpp"

ObjectWrapper::ObjectWrapper(std::uintptr_t mem) : memory_address(mem) {}

ActorWrapper::ActorWrapper(std::uintptr_t mem) : ObjectWrapper(mem) {}
ActorWrapper::ActorWrapper(const ActorWrapper& other) = default;
ActorWrapper& ActorWrapper::operator=(ActorWrapper rhs) {
    memory_address = rhs.memory_address;
    return *this;
}
ActorWrapper::~ActorWrapper() = default;
ActorWrapper::operator bool() const { return memory_address != 0; }

PriWrapper::PriWrapper(std::uintptr_t mem) : ActorWrapper(mem) {}
PriWrapper::PriWrapper(const PriWrapper& other) = default;
PriWrapper& PriWrapper::operator=(PriWrapper rhs) {
    memory_address = rhs.memory_address;
    return *this;
}
PriWrapper::~PriWrapper() = default;

PlayerControllerWrapper::PlayerControllerWrapper(std::uintptr_t mem) : ActorWrapper(mem) {}
PlayerControllerWrapper::PlayerControllerWrapper(const PlayerControllerWrapper& other) = default;
PlayerControllerWrapper& PlayerControllerWrapper::operator=(PlayerControllerWrapper rhs) {
    memory_address = rhs.memory_address;
    return *this;
}
PlayerControllerWrapper::~PlayerControllerWrapper() = default;
