// Objects and names of the running game as the plugin reads them: the two tables behind the
// host's addresses, validity and class tests, object names and full names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "game/layout.hpp"

namespace cloak::game {

// ---- Tables -------------------------------------------------------------------------------------

ObjectTableDescriptor& ObjectTable();
NameTableDescriptor& NameTable();

// ---- Validity -----------------------------------------------------------------------------------

// Whether a pointer may be read as an object or a name entry at all: non-null, in user space,
// 8-byte aligned. Says nothing about what lies there.
bool IsPlausibleAddress(const void* pointer);
// A pointer that may be dereferenced as a live object: a plausible address with a table index
// inside the object table and a class.
bool IsValidObject(const void* object);
// A pointer that may be dereferenced as a name entry: a plausible address whose own index lies
// inside the name table.
bool IsValidNameEntry(const void* entry);
// Whether `object`'s class is `cls` or derives from it.
bool IsA(const GameObject* object, const GameObject* cls);

// ---- Names --------------------------------------------------------------------------------------

// The name entry at `index`, or null when the index is outside the table or the slot is empty.
const NameEntry* NameEntryAt(std::int32_t index);
// An entry's text up to its zero, never longer than the longest text an entry can hold.
std::u16string_view NameTextOf(const NameEntry& entry);
// The object's own name (no name number); "UnknownName" when it cannot be read.
std::string GetObjectName(const GameObject* object);
// Whether GetObjectName(object) is `name`, without making the name.
bool HasObjectName(const GameObject* object, std::string_view name);

// ---- Full names ---------------------------------------------------------------------------------

// "<class name> <outermost>.<...>.<name>"; "InvalidObject" for an object that is not valid.
std::string GetFullName(const GameObject* object);

// Writes full names into one buffer that it keeps, so that a run of them (an index build)
// allocates nothing per name.
class FullNameWriter {
public:
    // The object's full name, valid until the next call; empty when the object, its class or
    // one of its outers is not a valid object, or the outer chain runs longer than the table (a
    // cycle): such an object cannot be named.
    std::string_view Write(const GameObject* object);

private:
    std::string text_;
    std::vector<const GameObject*> path_;  // outers, innermost first
};

}  // namespace cloak::game
