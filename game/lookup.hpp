// Finding the game's classes, script functions and instances: by full name through two indices
// built once, through process-wide caches per use site, and by walking the object table.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "game/layout.hpp"
#include "game/objects.hpp"

namespace cloak::game {

// ---- Full-name lookup ---------------------------------------------------------------------------

// Objects filed under their full name (in practice classes). The index is built from the object
// table at the first call and never refreshed: objects created later are not found.
GameObject* FindObject(std::string_view fullName);
// Script functions by full name, from an index of its own built at the first call.
GameObject* FindFunction(std::string_view fullName);

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
// A live instance is a valid object that is neither a class-default object nor destroyed
// (kPendingKillFlag).

// The first valid object in table order that is not a class-default object and is of the cached
// class or a class derived from it; null when there is none.
GameObject* FindInstanceOf(ClassCache& cls);
// Every live instance of the cached class or a derived one, in table order: one walk of the table
// as it stands, so that calls made on them afterwards (which may create objects) cannot move it.
std::vector<GameObject*> LiveInstancesOf(ClassCache& cls);
// Whether a pointer read from the game (a field, a parameter) is a live object now, held by its
// own slot of the object table: a destroyed object the collector has freed is not.
bool IsLiveObject(const GameObject* object);

}  // namespace cloak::game
