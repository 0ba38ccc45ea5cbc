// Stand-in host: what the host asks the running game - the local player, free play, player
// records and the item catalogue. Answers come from the emulated game's current session; without
// one, every wrapper refers to no object.
#include "bakkesmod/wrappers/GameWrapper.h"
#include "bakkesmod/wrappers/includes.h"
#include "sim/game/match_session.hpp"

using emu::GameObject;
using emu::Session;

namespace {

using emu::AddressOf;
using emu::PointerAt;

// A field of the object behind a wrapper; null when there is no object or no session.
template <class T>
T* FieldOf(std::uintptr_t address, std::string_view property) {
    Session* session = Session::CurrentOrNull();
    if (address == 0 || session == nullptr) return nullptr;
    return &session->GameWorld().Field<T>(PointerAt<GameObject>(address), property);
}

}  // namespace

// ---- GameWrapper queries ------------------------------------------------------------------------

PlayerControllerWrapper GameWrapper::GetPlayerController() {
    Session* session = Session::CurrentOrNull();
    return PlayerControllerWrapper(session != nullptr ? AddressOf(session->LocalController()) : 0);
}

bool GameWrapper::IsInFreeplay() {
    Session* session = Session::CurrentOrNull();
    return session != nullptr && session->InFreePlay();
}

ItemsWrapper GameWrapper::GetItemsWrapper() {
    Session* session = Session::CurrentOrNull();
    return ItemsWrapper(session != nullptr ? AddressOf(session->ItemCatalogue()) : 0, 0);
}

// ---- Player wrappers ----------------------------------------------------------------------------

PriWrapper PlayerControllerWrapper::GetPRI() {
    GameObject** pri = FieldOf<GameObject*>(memory_address, "PlayerReplicationInfo");
    return PriWrapper(pri != nullptr ? AddressOf(*pri) : 0);
}

void PriWrapper::SetClubID(unsigned long long clubId) {
    if (auto* field = FieldOf<std::uint64_t>(memory_address, "ClubID")) *field = clubId;
}

// ---- Item catalogue -----------------------------------------------------------------------------

ArrayWrapper<ProductSlotWrapper> ItemsWrapper::GetAllProductSlots() {
    return ArrayWrapper<ProductSlotWrapper>(
        AddressOf(FieldOf<emu::GameArray<GameObject*>>(memory_address, "Slots")));
}

template <typename T>
ArrayWrapper<T>::ArrayWrapper(std::uintptr_t mem) : address_(mem) {}
template <typename T>
ArrayWrapper<T>::ArrayWrapper(const ArrayWrapper& other) = default;
template <typename T>
ArrayWrapper<T>& ArrayWrapper<T>::operator=(ArrayWrapper rhs) {
    address_ = rhs.address_;
    return *this;
}
template <typename T>
ArrayWrapper<T>::~ArrayWrapper() = default;

template <typename T>
bool ArrayWrapper<T>::IsNull() {
    return address_ == 0;
}

template <typename T>
int ArrayWrapper<T>::Count() {
    if (address_ == 0) return 0;
    return PointerAt<emu::GameArray<GameObject*>>(address_)->count;
}

template <typename T>
T ArrayWrapper<T>::Get(int index) {
    if (index < 0 || index >= Count()) return T(0);
    return T(AddressOf(PointerAt<emu::GameArray<GameObject*>>(address_)->data[index]));
}

template class ArrayWrapper<ProductSlotWrapper>;

int ProductSlotWrapper::GetSlotIndex() {
    const std::int32_t* index = FieldOf<std::int32_t>(memory_address, "SlotIndex");
    return index != nullptr ? *index : -1;
}

ProductWrapper ProductSlotWrapper::GetDefaultProduct() const {
    GameObject** product = FieldOf<GameObject*>(memory_address, "DefaultProduct");
    return ProductWrapper(product != nullptr ? AddressOf(*product) : 0);
}

int ProductWrapper::GetID() {
    const std::int32_t* id = FieldOf<std::int32_t>(memory_address, "ID");
    return id != nullptr ? *id : 0;
}
