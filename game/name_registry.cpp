// The game names the plugin depends on, and their check against the running game.
#include "game/name_registry.hpp"

#include "game/class_caches.hpp"
#include "game/lookup.hpp"
#include "game/memory.hpp"
#include "game/tables.hpp"
#include "plugin/shared_console.hpp"

namespace game::NameRegistry {

void AddFunction(std::string_view fullName) {
    FunctionNames.emplace(fullName);
}

void AddClass(std::string_view fullName) {
    ClassNames.emplace(fullName);
}

void SetStructSize(std::u16string_view name, std::uint64_t size) {
    StructSizes.insert_or_assign(std::u16string(name), size);
}

}  // namespace game::NameRegistry

namespace game {

namespace {

// The script struct whose name entry is `entry`: the first object of its object-hash bucket
// (name number 0) with that name that is a script struct.
const GameObject* FindScriptStruct(const NameEntry& entry, const GameObject& scriptStructClass) {
    GameObject* const* buckets = FieldAt<GameObject*>(
        PointerAt<void>(NameTableAddress), -static_cast<std::ptrdiff_t>(kObjectHashDistance));
    // The bucket key is (name index XOR name number) and script structs have number 0.
    const std::size_t bucket = static_cast<std::uint32_t>(entry.index) & 0x7FFF;
    for (const GameObject* object = buckets[bucket]; object != nullptr; object = object->hashNext) {
        if (object->nameIndex == entry.index && IsA(object, &scriptStructClass)) return object;
    }
    return nullptr;
}

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
    const GameObject* scriptStruct = FindScriptStruct(*entry, *scriptStructClass);
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

void ResolveNameRegistries() {
    // All three checks run, whatever the earlier ones found.
    const bool functions = FunctionsResolve();
    const bool structs = StructsResolve();
    const bool classes = ClassesResolve();
    if (functions && structs && classes) return;
    if (sharedConsole) sharedConsole->log("BAD BAD BAD");
}

}  // namespace game
