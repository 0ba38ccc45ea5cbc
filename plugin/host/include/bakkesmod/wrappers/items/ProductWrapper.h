// Host SDK: a wrapper over an item of the game's catalogue.
#pragma once

#include <cstdint>

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/Engine/ObjectWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT ProductWrapper : public ObjectWrapper {
public:
    explicit ProductWrapper(std::uintptr_t mem);
    ProductWrapper(const ProductWrapper& other);
    ProductWrapper& operator=(ProductWrapper rhs);
    ~ProductWrapper();
    int GetID();
    bool IsNull();
    explicit operator bool();
};
