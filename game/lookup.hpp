// Objects and names of the running game: validity and class tests, object names and full names,
// lookup of classes, objects and script functions by full name, name entries through the game's
// name hash, and the first live instance of a class.
//
// Index
//   Tables         - the object and name tables behind the host's addresses
//   Objects        - IsValidObject, IsA, GetObjectName, HasObjectName, GetFullName
//   Full-name lookup - FindObject (latest object wins), FindFunction (earliest wins)
//   Names          - CrcTable, NameHash, FindNameEntry
//   Caches         - ClassCache, FunctionCache: one process-wide pointer per use site
//   Starting over  - ForgetLookupsForTesting, for tests and fuzzing
//   Instances      - FindInstanceOf
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "game/layout.hpp"

namespace game {

// ---- Tables -------------------------------------------------------------------------------------

ObjectTableDescriptor& ObjectTable();
NameTableDescriptor& NameTable();

// ---- Objects ------------------------------------------------------------------------------------

// A pointer that may be dereferenced as a live object: non-null, in user space, 8-byte aligned,
// with a table index inside the object table and a class.
bool IsValidObject(const void* object);
// Whether `object`'s class is `cls` or derives from it.
bool IsA(const GameObject* object, const GameObject* cls);
// The object's own name (no name number); "UnknownName" when it cannot be read.
std::string GetObjectName(const GameObject* object);
// Whether GetObjectName(object) is `name`, without making the name.
bool HasObjectName(const GameObject* object, std::string_view name);
// "<class name> <outermost>.<...>.<name>"; "InvalidObject" for an object that is not valid.
std::string GetFullName(const GameObject* object);

// ---- Full-name lookup ---------------------------------------------------------------------------

// Objects filed under their full name (in practice classes). The index is built from the object
// table at the first call and never refreshed: objects created later are not found.
GameObject* FindObject(std::string_view fullName);
// Script functions by full name, from an index of its own built at the first call.
GameObject* FindFunction(std::string_view fullName);

// ---- Names --------------------------------------------------------------------------------------

// The most-significant-bit-first CRC-32 table of polynomial 0x04C11DB7 the game hashes with.
inline constexpr std::array<std::uint32_t, 256> CrcTable = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t crc = i << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        }
        table[i] = crc;
    }
    return table;
}();

// The game's case-folding hash of a zero-terminated name text.
std::uint32_t NameHash(const char16_t* text);
// The name entry whose text equals `text` ignoring the case of A-Z; null when there is none.
NameEntry* FindNameEntry(const char16_t* text);

// ---- Caches -------------------------------------------------------------------------------------

namespace detail {
// Raised only by ForgetLookupsForTesting; caches filled before it count as empty.
inline std::uint64_t lookupGeneration = 0;
}  // namespace detail

// A process-wide pointer to one game object, looked up by full name on use while it is null and
// kept once found.
template <GameObject* (*Lookup)(std::string_view)>
class LookupCache {
public:
    explicit constexpr LookupCache(const char* fullName) : fullName_(fullName) {}
    GameObject* Get() {
        if (object_ == nullptr || generation_ != detail::lookupGeneration) {
            object_ = Lookup(fullName_);
            generation_ = detail::lookupGeneration;
        }
        return object_;
    }

private:
    const char* fullName_;
    GameObject* object_ = nullptr;
    std::uint64_t generation_ = 0;
};

using ClassCache = LookupCache<FindObject>;
using FunctionCache = LookupCache<FindFunction>;

// ---- Starting over ------------------------------------------------------------------------------

// For tests and fuzzing only: forgets both indices and what every lookup cache holds, so that the
// next lookups read the tables as they are now (a new emulated world, say). The plugin itself
// never calls it: its indices and caches last for the life of the process.
void ForgetLookupsForTesting();

// ---- Instances ----------------------------------------------------------------------------------

// The first valid object in table order that is not a class-default object and is of the cached
// class or a class derived from it; null when there is none.
GameObject* FindInstanceOf(ClassCache& cls);

}  // namespace game
