// Host SDK: a game array seen through the host. Its contents are the host's business: the
// plugin counts and gets elements only.
#pragma once

#include <cstdint>

#include "bakkesmod/plugin/bakkesmodsdk.h"

template <typename T>
class ArrayWrapper {
public:
    explicit ArrayWrapper(std::uintptr_t mem);
    ArrayWrapper(const ArrayWrapper& other);
    ArrayWrapper& operator=(ArrayWrapper rhs);
    ~ArrayWrapper();
    int Count();
    T Get(int index);
    bool IsNull();

private:
    std::uintptr_t address_;
};
