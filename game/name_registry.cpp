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

// Registered names are the plugin's own ASCII texts.
std::string Narrow(const std::u16string& name) {
    std::string text;
    for (const char16_t unit : name) text.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    return text;
}

}  // namespace

std::vector<std::string> MissingRegisteredNames() {
    std::vector<std::string> missing;
    for (const std::string& name : NameRegistry::FunctionNames) {
        if (FindFunction(name) == nullptr) missing.push_back(name);
    }
    for (const auto& [name, size] : NameRegistry::StructSizes) {
        if (!StructResolves(name, size)) {
            missing.push_back("ScriptStruct " + Narrow(name) + " of " + std::to_string(size) +
                              " bytes");
        }
    }
    for (const std::string& name : NameRegistry::ClassNames) {
        if (FindObject(name) == nullptr) missing.push_back(name);
    }
    return missing;
}

bool ResolveNameRegistries() {
    return MissingRegisteredNames().empty();
}

}  // namespace cloak::game
