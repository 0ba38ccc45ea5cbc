// Host SDK: wrappers over game objects.
//
// Wrappers are values. They are built, copied, tested and released only through the host's own
// constructors, operators and destructors (defined in the host SDK library). The plugin reads the
// object address straight from `memory_address`.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/host/sdk_api.hpp"

class SDK_API ObjectWrapper {
public:
    explicit ObjectWrapper(std::uintptr_t mem);
    std::uintptr_t memory_address;
};

class SDK_API ActorWrapper : public ObjectWrapper {
public:
    explicit ActorWrapper(std::uintptr_t mem);
    ActorWrapper(const ActorWrapper& other);
    ActorWrapper& operator=(ActorWrapper rhs);
    ~ActorWrapper();
    explicit operator bool() const;
};

class SDK_API PriWrapper : public ActorWrapper {
public:
    explicit PriWrapper(std::uintptr_t mem);
    PriWrapper(const PriWrapper& other);
    PriWrapper& operator=(PriWrapper rhs);
    ~PriWrapper();
    void SetClubID(unsigned long long clubId);
};

class SDK_API PlayerControllerWrapper : public ActorWrapper {
public:
    explicit PlayerControllerWrapper(std::uintptr_t mem);
    PlayerControllerWrapper(const PlayerControllerWrapper& other);
    PlayerControllerWrapper& operator=(PlayerControllerWrapper rhs);
    ~PlayerControllerWrapper();
    PriWrapper GetPRI();
};

class SDK_API ProductWrapper : public ObjectWrapper {
public:
    explicit ProductWrapper(std::uintptr_t mem);
    ProductWrapper(const ProductWrapper& other);
    ProductWrapper& operator=(ProductWrapper rhs);
    ~ProductWrapper();
    explicit operator bool() const;
    int GetID();
};

class SDK_API ProductSlotWrapper : public ObjectWrapper {
public:
    explicit ProductSlotWrapper(std::uintptr_t mem);
    ProductSlotWrapper(const ProductSlotWrapper& other);
    ProductSlotWrapper& operator=(ProductSlotWrapper rhs);
    ~ProductSlotWrapper();
    explicit operator bool() const;
    int GetSlotIndex();
    ProductWrapper GetDefaultProduct();
};

// A game array seen through the host: `memory_address` is the array's own address.
template <typename T>
class ArrayWrapper {
public:
    explicit ArrayWrapper(std::uintptr_t mem);
    ArrayWrapper(const ArrayWrapper& other);
    ArrayWrapper& operator=(ArrayWrapper rhs);
    ~ArrayWrapper();
    int Count();
    T Get(int index);
    std::uintptr_t memory_address;
};
extern template class SDK_API ArrayWrapper<ProductSlotWrapper>;

class SDK_API ItemsWrapper : public ObjectWrapper {
public:
    explicit ItemsWrapper(std::uintptr_t mem);
    ItemsWrapper(const ItemsWrapper& other);
    ItemsWrapper& operator=(ItemsWrapper rhs);
    ~ItemsWrapper();
    ArrayWrapper<ProductSlotWrapper> GetAllProductSlots();
};

// The plugin reads a wrapper's object address from its first 64-bit field: that is the contract.
static_assert(offsetof(ActorWrapper, memory_address) == 0);
static_assert(offsetof(PriWrapper, memory_address) == 0);
static_assert(offsetof(PlayerControllerWrapper, memory_address) == 0);
static_assert(sizeof(std::uintptr_t) == 8, "the game is a 64-bit process");
