// Property search.
#include "game/properties.hpp"

#include "game/class_caches.hpp"

namespace cloak::game {

namespace {

// Functions, constants, enumerations and nested structs share the chain of fields with the data
// properties; they are never a property.
bool IsNonDataField(const GameObject* field) {
    for (ClassCache* kind : {&FunctionClass, &ConstClass, &EnumClass, &ScriptStructClass}) {
        const GameObject* cls = kind->Get();
        if (cls != nullptr && IsA(field, cls)) return true;
    }
    return false;
}

}  // namespace

std::optional<std::int32_t> FindPropertyOffset(const GameObject* structOrClass,
                                               std::string_view name) {
    if (!IsValidObject(structOrClass)) return std::nullopt;
    const GameObject* super = structOrClass->superStruct;
    // A super class outside the object table is corrupt, and so is the size it would give.
    if (super != nullptr && !IsValidObject(super)) return std::nullopt;
    // Every test below only skips a field, so the cheap ones go first and the kind of field (a
    // walk of its class chain) is asked of the one field whose name matches.
    std::int32_t steps = ObjectTable().count;
    for (const GameObject* field = structOrClass->firstField; field != nullptr;
         field = field->nextField) {
        // A chain that leaves the table, or runs longer than it (a cycle), is corrupt.
        if (!IsValidObject(field) || --steps < 0) return std::nullopt;
        if (field->dataProperty == 0) continue;
        if (super != nullptr) {
            // Fields lying in the super class's part of an instance are inherited, not declared.
            if (super == structOrClass) continue;
            if (static_cast<std::uint32_t>(field->offset) <
                static_cast<std::uint32_t>(super->propertySize)) {
                continue;
            }
        }
        if (!HasObjectName(field, name) || IsNonDataField(field)) continue;
        return field->offset;
    }
    return std::nullopt;
}

}  // namespace cloak::game
