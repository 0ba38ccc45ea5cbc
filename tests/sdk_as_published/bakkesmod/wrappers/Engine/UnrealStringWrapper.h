// As the host's SDK writes it: an explicit instantiation that arraywrapper.h already has, which
// Microsoft's compiler accepts and GCC accepts only when permissive.
#pragma once

#include "bakkesmod/wrappers/arraywrapper.h"

template class ArrayWrapper<wchar_t>;
