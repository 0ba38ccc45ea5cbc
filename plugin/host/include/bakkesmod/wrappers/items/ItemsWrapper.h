// Host SDK: the game's item catalogue.
#pragma once

#include <cstdint>

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/Engine/ObjectWrapper.h"
#include "bakkesmod/wrappers/arraywrapper.h"
#include "bakkesmod/wrappers/items/ProductSlotWrapper.h"

extern template class BAKKESMOD_PLUGIN_IMPORT ArrayWrapper<ProductSlotWrapper>;

class BAKKESMOD_PLUGIN_IMPORT ItemsWrapper : public ObjectWrapper {
public:
    // Built from the game's item data and the player's saved items.
    ItemsWrapper(std::uintptr_t gamedata, std::uintptr_t savedata);
    ItemsWrapper(const ItemsWrapper& other);
    ItemsWrapper& operator=(ItemsWrapper rhs);
    ~ItemsWrapper();
    ArrayWrapper<ProductSlotWrapper> GetAllProductSlots();
};
