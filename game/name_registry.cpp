// The game names the plugin depends on, and their check against the running game.
#include "game/name_registry.hpp"

#include "game/class_caches.hpp"
#include "game/hash_tables.hpp"
#include "game/lookup.hpp"

namespace cloak::game::NameRegistry {

void AddFunction(std::string_view fullName) {
    FunctionNames.emplace(fullName);
}

void AddClass(std::string_view fullName) {
    ClassNames.emplace(fullName);
}

void SetStructSize(std::u16string_view name, std::uint64_t size) {
    StructSizes.insert_or_assign(std::u16string(name), size);
}

}  // namespace cloak::game::NameRegistry

namespace cloak::game {

namespace {

// The struct's size raised to its minimum alignment, in the game's 32-bit arithmetic.
std::uint32_t AlignedSize(const GameObject& scriptStruct) {
    const auto size = static_cast<std::uint32_t>(scriptStruct.propertySize);
    const auto alignment = static_cast<std::uint32_t>(scriptStruct.minAlignment);
    return (size - 1 + alignment) & (0u - alignment);
}

bool StructResolves(const std::u16string& name, std::uint64_t expectedSize) {
    const NameEntry* entry = FindNameEntry(name.c_str());
    if (entry == nullptr) return false;
    const GameObject* scriptStructClass = ScriptStructClass.Get();
    if (scriptStructClass == nullptr) return false;
    // Script structs have the name number 0.
    const GameObject* scriptStruct = FindInObjectHash(entry->index, 0, *scriptStructClass);
    return scriptStruct != nullptr && AlignedSize(*scriptStruct) == expectedSize;
}

bool FunctionsResolve() {
    for (const std::string& name : NameRegistry::FunctionNames) {
        if (FindFunction(name) == nullptr) return false;
    }
    return true;
}

bool StructsResolve() {
    for (const auto& [name, size] : NameRegistry::StructSizes) {
        if (!StructResolves(name, size)) return false;
    }
    return true;
}

bool ClassesResolve() {
    for (const std::string& name : NameRegistry::ClassNames) {
        if (FindObject(name) == nullptr) return false;
    }
    return true;
}

}  // namespace

bool ResolveNameRegistries() {
    // All three checks run, whatever the earlier ones found.
    const bool functions = FunctionsResolve();
    const bool structs = StructsResolve();
    const bool classes = ClassesResolve();
    return functions && structs && classes;
}

}  // namespace cloak::game
