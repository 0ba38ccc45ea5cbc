// Host SDK: a wrapper over one slot of a car's loadout (body, wheels, ...).
#pragma once

#include <cstdint>

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/Engine/ObjectWrapper.h"
#include "bakkesmod/wrappers/items/ProductWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT ProductSlotWrapper : public ObjectWrapper {
public:
    explicit ProductSlotWrapper(std::uintptr_t mem);
    ProductSlotWrapper(const ProductSlotWrapper& other);
    ProductSlotWrapper& operator=(ProductSlotWrapper rhs);
    ~ProductSlotWrapper();
    int GetSlotIndex();
    ProductWrapper GetDefaultProduct() const;
    bool IsNull() const;
    explicit operator bool() const;
};
