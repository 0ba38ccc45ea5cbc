// Objects and names of the running game.
//
// Index
//   Tables, Objects, Full-name lookup, Names, Instances (in the order of lookup.hpp)
#include "game/lookup.hpp"

#include <cstring>
#include <map>

#include "game/class_caches.hpp"
#include "game/memory.hpp"
#include "game/tables.hpp"

namespace game {

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

namespace {

constexpr std::string_view kInvalidObject = "InvalidObject";

// The name entry at `index`, or null when the index is outside the table or the slot is empty.
const NameEntry* NameEntryAt(std::int32_t index) {
    const NameTableDescriptor& names = NameTable();
    if (index < 0 || index >= names.count) return nullptr;
    return names.data[index];
}

// Length of a name text, never reading past the longest text an entry can hold.
std::size_t NameLength(const char16_t* text) {
    std::size_t length = 0;
    while (length < kNameTextCapacity - 1 && text[length] != 0) ++length;
    return length;
}

}  // namespace

// ---- Objects ------------------------------------------------------------------------------------

bool IsValidObject(const void* object) {
    const std::uint64_t address = AddressOf(object);
    if (address - 1 > kHighestObjectAddress - 2) return false;
    if (address % 8 != 0) return false;
    const auto* candidate = static_cast<const GameObject*>(object);
    if (candidate->index < 0 || candidate->index >= ObjectTable().count) return false;
    return candidate->classObject != nullptr;
}

bool IsA(const GameObject* object, const GameObject* cls) {
    if (object == nullptr) return false;
    // A class chain that leaves the object table is corrupt; it ends the walk instead of being
    // followed into foreign memory.
    for (const GameObject* current = object->classObject; IsValidObject(current);
         current = current->superStruct) {
        if (current == cls) return true;
    }
    return false;
}

std::string GetObjectName(const GameObject* object) {
    if (object == nullptr) return "UnknownName";
    const NameEntry* entry = NameEntryAt(object->nameIndex);
    if (entry == nullptr) return "UnknownName";
    const std::size_t length = NameLength(entry->text);
    std::string name(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        name[i] = static_cast<char>(entry->text[i] & 0xFF);
    }
    return name;
}

std::string GetFullName(const GameObject* object) {
    // The class is read as an object too; one that is not in the table cannot be named.
    if (!IsValidObject(object) || !IsValidObject(object->classObject))
        return std::string(kInvalidObject);
    std::string path = GetObjectName(object);
    // An outer chain is never longer than the table; one that leaves the table or runs longer
    // (a cycle) is corrupt, and the object cannot be named.
    std::int32_t steps = ObjectTable().count;
    for (const GameObject* outer = object->outer; outer != nullptr; outer = outer->outer) {
        if (!IsValidObject(outer) || --steps < 0) return std::string(kInvalidObject);
        path = GetObjectName(outer) + "." + path;
    }
    return GetObjectName(object->classObject) + " " + path;
}

// ---- Full-name lookup ---------------------------------------------------------------------------

namespace {

using FullNameIndex = std::map<std::string, GameObject*, std::less<>>;

// Whether the object is a class or lies inside one: its class, or an outer of its class, has a
// name containing "Class". A chain that reaches an invalid object, or runs longer than the table
// (a cycle), does not qualify.
bool QualifiesForFullNameIndex(const GameObject* object) {
    std::int32_t steps = ObjectTable().count;
    for (const GameObject* cls = object->classObject; --steps >= 0; cls = cls->outer) {
        if (!IsValidObject(cls)) return false;
        const NameEntry* entry = NameEntryAt(cls->nameIndex);
        if (entry != nullptr) {
            const std::u16string_view text(entry->text, NameLength(entry->text));
            if (text.find(u"Class") != std::u16string_view::npos) return true;
        }
    }
    return false;
}

// One pass over the object table in index order, filing every object that `belongs` under its
// full name. Of several objects with one full name the latest wins, or the earliest when
// `earliestWins` is set. Objects that cannot be named are not filed at all.
template <class Belongs>
FullNameIndex BuildIndex(Belongs belongs, bool earliestWins) {
    FullNameIndex index;
    const ObjectTableDescriptor& objects = ObjectTable();
    for (std::int32_t i = 0; i < objects.count; ++i) {
        GameObject* object = objects.data[i];
        // A slot that does not hold a live object (null, foreign or stale pointers) is skipped
        // before anything is read through it.
        if (!IsValidObject(object) || !belongs(object)) continue;
        std::string fullName = GetFullName(object);
        if (fullName == kInvalidObject) continue;
        if (earliestWins) {
            index.try_emplace(std::move(fullName), object);
        } else {
            index.insert_or_assign(std::move(fullName), object);
        }
    }
    return index;
}

bool IsFunction(const GameObject* object) {
    return IsValidObject(object->classObject) && object->classObject->index == kFunctionClassIndex;
}

GameObject* LookUp(const FullNameIndex& index, std::string_view fullName) {
    auto found = index.find(fullName);
    return found == index.end() ? nullptr : found->second;
}

}  // namespace

GameObject* FindObject(std::string_view fullName) {
    static const FullNameIndex index = BuildIndex(QualifiesForFullNameIndex, false);
    return LookUp(index, fullName);
}

GameObject* FindFunction(std::string_view fullName) {
    static const FullNameIndex index = BuildIndex(IsFunction, true);
    return LookUp(index, fullName);
}

// ---- Names --------------------------------------------------------------------------------------

namespace {

// The game's upper-case folding of one UTF-16 unit for hashing.
std::uint32_t FoldForHash(char16_t unit) {
    switch (unit) {
        case 156:
            return 140;
        case 255:
            return 159;
        case 337:
            return 336;
        case 208:
        case 223:
        case 240:
        case 247:
            return unit;
        default:
            break;
    }
    if ((unit >= 97 && unit <= 122) || (unit >= 224 && unit <= 254)) return unit - 32u;
    return unit;
}

char16_t FoldAsciiLetter(char16_t unit) {
    return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - (u'a' - u'A')) : unit;
}

bool EqualIgnoringAsciiCase(const char16_t* a, const char16_t* b) {
    std::size_t i = 0;
    for (; a[i] != 0 && b[i] != 0; ++i) {
        if (FoldAsciiLetter(a[i]) != FoldAsciiLetter(b[i])) return false;
    }
    return a[i] == b[i];
}

}  // namespace

std::uint32_t NameHash(const char16_t* text) {
    std::uint32_t hash = 0;
    for (const char16_t* unit = text; *unit != 0; ++unit) {
        const std::uint32_t folded = FoldForHash(*unit);
        hash = (hash >> 8) ^ CrcTable[(hash ^ (folded & 0xFF)) & 0xFF];
        hash = (hash >> 8) ^ CrcTable[(hash ^ (folded >> 8)) & 0xFF];
    }
    return hash;
}

NameEntry* FindNameEntry(const char16_t* text) {
    if (NameTableAddress == 0) return nullptr;
    NameEntry* const* buckets = FieldAt<NameEntry*>(
        PointerAt<void>(NameTableAddress), -static_cast<std::ptrdiff_t>(kNameHashDistance));
    for (NameEntry* entry = buckets[NameHash(text) & 0xFFFF]; entry != nullptr;
         entry = entry->hashNext) {
        if (EqualIgnoringAsciiCase(entry->text, text)) return entry;
    }
    return nullptr;
}

// ---- Instances ----------------------------------------------------------------------------------

GameObject* FindInstanceOf(ClassCache& cls) {
    const ObjectTableDescriptor& objects = ObjectTable();
    for (std::int32_t i = 0; i < objects.count; ++i) {
        GameObject* object = objects.data[i];
        if (!IsValidObject(object)) continue;
        if ((object->flags & kClassDefaultFlag) != 0) continue;
        GameObject* classObject = cls.Get();
        if (classObject != nullptr && IsA(object, classObject)) return object;
    }
    return nullptr;
}

}  // namespace game
