// Where a named property lies inside an object, and typed access to it through the property's
// one declaration (the declarations themselves are in class_caches.hpp, beside their classes).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "game/layout.hpp"
#include "game/lookup.hpp"
#include "game/memory.hpp"

namespace cloak::game {

// ---- FindPropertyOffset -------------------------------------------------------------------------

// The byte offset of the data property `name` (case-sensitive) declared by `structOrClass`
// itself; properties inherited from a super class are not found through it.
std::optional<std::int32_t> FindPropertyOffset(const GameObject* structOrClass,
                                               std::string_view name);

// ---- Property -----------------------------------------------------------------------------------

// A property of a game class: the class that declares it (inherited properties are found only
// through their declaring class), its name, and the type of its field. The offset is searched on
// every access; the class comes from its process-wide cache.
template <class T>
class Property {
public:
    constexpr Property(ClassCache& declaringClass, std::string_view name)
        : class_(&declaringClass), name_(name) {}

    // The field inside `object`, or null when `object` is null or the class or the property
    // cannot be found. A const object gives a const field.
    T* In(GameObject* object) const { return FieldIn<T>(object); }
    const T* In(const GameObject* object) const { return FieldIn<const T>(object); }

private:
    template <class Field>
    Field* FieldIn(const GameObject* object) const {
        if (object == nullptr) return nullptr;
        const GameObject* classObject = class_->Get();
        if (classObject == nullptr) return nullptr;
        const std::optional<std::int32_t> offset = FindPropertyOffset(classObject, name_);
        if (!offset) return nullptr;
        return FieldAt<Field>(object, *offset);
    }

    ClassCache* class_;
    std::string_view name_;
};

}  // namespace cloak::game
