// The one place where the plugin turns numbers into addresses: every raw address computation on
// game memory goes through these helpers, so the rest of the code reads fields by name.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cloak::game {

// The address of a T lying `offset` bytes from `base`. Computed on integers: game memory is not
// one C++ object, and the offsets come from the game's own descriptions of its layouts.
template <class T>
T* FieldAt(const void* base, std::ptrdiff_t offset) {
    return reinterpret_cast<T*>(reinterpret_cast<std::uintptr_t>(base) +
                                static_cast<std::uintptr_t>(offset));
}

// A game address handed over as a number (the host passes the table addresses this way).
template <class T>
T* PointerAt(std::uint64_t address) {
    return reinterpret_cast<T*>(static_cast<std::uintptr_t>(address));
}

inline std::uint64_t AddressOf(const void* pointer) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

}  // namespace cloak::game
