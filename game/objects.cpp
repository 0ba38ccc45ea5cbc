// Objects and names of the running game.
#include "game/objects.hpp"

#include "game/memory.hpp"
#include "game/tables.hpp"

namespace cloak::game {

// ---- Tables -------------------------------------------------------------------------------------

// Tables the host has not handed over yet read as empty rather than as memory at address 0.
ObjectTableDescriptor& ObjectTable() {
    static ObjectTableDescriptor none{};
    return ObjectTableAddress == 0 ? none : *PointerAt<ObjectTableDescriptor>(ObjectTableAddress);
}

NameTableDescriptor& NameTable() {
    static NameTableDescriptor none{};
    return NameTableAddress == 0 ? none : *PointerAt<NameTableDescriptor>(NameTableAddress);
}

// ---- Validity -----------------------------------------------------------------------------------

bool IsPlausibleAddress(const void* pointer) {
    const std::uint64_t address = AddressOf(pointer);
    return address - 1 <= kHighestObjectAddress - 2 && address % 8 == 0;
}

bool IsValidObject(const void* object) {
    if (!IsPlausibleAddress(object)) return false;
    const auto* candidate = static_cast<const GameObject*>(object);
    if (candidate->index < 0 || candidate->index >= ObjectTable().count) return false;
    return candidate->classObject != nullptr;
}

bool IsValidNameEntry(const void* entry) {
    if (!IsPlausibleAddress(entry)) return false;
    const std::int32_t index = static_cast<const NameEntry*>(entry)->index;
    return index >= 0 && index < NameTable().count;
}

bool IsA(const GameObject* object, const GameObject* cls) {
    if (object == nullptr) return false;
    // A class chain that leaves the object table, or runs longer than it (a loop), is corrupt;
    // it ends the walk instead of being followed into foreign memory or round for ever.
    std::int32_t steps = ObjectTable().count;
    for (const GameObject* current = object->classObject; IsValidObject(current) && --steps >= 0;
         current = current->superStruct) {
        if (current == cls) return true;
    }
    return false;
}

// ---- Names --------------------------------------------------------------------------------------

namespace {

constexpr std::string_view kUnknownName = "UnknownName";
constexpr std::string_view kInvalidObject = "InvalidObject";

// Appends the object's own name, narrowed to the low byte of each unit, or "UnknownName".
void AppendObjectName(const GameObject* object, std::string& out) {
    const NameEntry* entry = object == nullptr ? nullptr : NameEntryAt(object->nameIndex);
    if (entry == nullptr) {
        out += kUnknownName;
        return;
    }
    const std::u16string_view text = NameTextOf(*entry);
    const std::size_t start = out.size();
    out.resize(start + text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        out[start + i] = static_cast<char>(text[i] & 0xFF);
    }
}

}  // namespace

const NameEntry* NameEntryAt(std::int32_t index) {
    const NameTableDescriptor& names = NameTable();
    if (index < 0 || index >= names.count) return nullptr;
    return names.data[index];
}

std::u16string_view NameTextOf(const NameEntry& entry) {
    std::size_t length = 0;
    while (length < kNameTextCapacity - 1 && entry.text[length] != 0) ++length;
    return {entry.text, length};
}

std::string GetObjectName(const GameObject* object) {
    std::string name;
    AppendObjectName(object, name);
    return name;
}

bool HasObjectName(const GameObject* object, std::string_view name) {
    const NameEntry* entry = object == nullptr ? nullptr : NameEntryAt(object->nameIndex);
    if (entry == nullptr) return name == kUnknownName;
    const std::u16string_view text = NameTextOf(*entry);
    if (text.size() != name.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (static_cast<char>(text[i] & 0xFF) != name[i]) return false;
    }
    return true;
}

// ---- Full names ---------------------------------------------------------------------------------

std::string GetFullName(const GameObject* object) {
    FullNameWriter writer;
    const std::string_view fullName = writer.Write(object);
    return fullName.empty() ? std::string(kInvalidObject) : std::string(fullName);
}

std::string_view FullNameWriter::Write(const GameObject* object) {
    text_.clear();
    path_.clear();
    // The class is read as an object too; one that is not in the table cannot be named.
    if (!IsValidObject(object) || !IsValidObject(object->classObject)) return {};
    std::int32_t steps = ObjectTable().count;
    for (const GameObject* outer = object->outer; outer != nullptr; outer = outer->outer) {
        if (!IsValidObject(outer) || --steps < 0) return {};
        path_.push_back(outer);
    }
    AppendObjectName(object->classObject, text_);
    text_ += ' ';
    for (auto outer = path_.rbegin(); outer != path_.rend(); ++outer) {
        AppendObjectName(*outer, text_);
        text_ += '.';
    }
    AppendObjectName(object, text_);
    return text_;
}

}  // namespace cloak::game
