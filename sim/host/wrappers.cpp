// Stand-in host: the wrappers' value semantics. What they ask of the game (GetPRI, SetClubID,
// the item catalogue) is in game_queries.cpp.
#include "bakkesmod/wrappers/includes.h"

ObjectWrapper::ObjectWrapper(std::uintptr_t mem) : memory_address(mem) {}

ActorWrapper::ActorWrapper(std::uintptr_t mem) : ObjectWrapper(mem) {}
ActorWrapper::ActorWrapper(const ActorWrapper& other) = default;
ActorWrapper& ActorWrapper::operator=(ActorWrapper rhs) {
    memory_address = rhs.memory_address;
    return *this;
}
ActorWrapper::~ActorWrapper() = default;
bool ActorWrapper::IsNull() {
    return memory_address == 0;
}
ActorWrapper::operator bool() {
    return memory_address != 0;
}
ActorWrapper::operator bool() const {
    return memory_address != 0;
}

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

// The emulated game keeps no saved items apart from its catalogue.
ItemsWrapper::ItemsWrapper(std::uintptr_t gamedata, std::uintptr_t) : ObjectWrapper(gamedata) {}
ItemsWrapper::ItemsWrapper(const ItemsWrapper& other) = default;
ItemsWrapper& ItemsWrapper::operator=(ItemsWrapper rhs) {
    memory_address = rhs.memory_address;
    return *this;
}
ItemsWrapper::~ItemsWrapper() = default;

ProductSlotWrapper::ProductSlotWrapper(std::uintptr_t mem) : ObjectWrapper(mem) {}
ProductSlotWrapper::ProductSlotWrapper(const ProductSlotWrapper& other) = default;
ProductSlotWrapper& ProductSlotWrapper::operator=(ProductSlotWrapper rhs) {
    memory_address = rhs.memory_address;
    return *this;
}
ProductSlotWrapper::~ProductSlotWrapper() = default;
bool ProductSlotWrapper::IsNull() const {
    return memory_address == 0;
}
ProductSlotWrapper::operator bool() const {
    return memory_address != 0;
}

ProductWrapper::ProductWrapper(std::uintptr_t mem) : ObjectWrapper(mem) {}
ProductWrapper::ProductWrapper(const ProductWrapper& other) = default;
ProductWrapper& ProductWrapper::operator=(ProductWrapper rhs) {
    memory_address = rhs.memory_address;
    return *this;
}
ProductWrapper::~ProductWrapper() = default;
bool ProductWrapper::IsNull() {
    return memory_address == 0;
}
ProductWrapper::operator bool() {
    return memory_address != 0;
}
