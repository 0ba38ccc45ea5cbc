// Where a named property lies inside an object, and typed access to the fields the plugin uses.
//
// Index
//   FindPropertyOffset - search of one struct's or class's own chain of fields
//   FieldOf            - class cache + property name -> typed field address
//   Named accessors    - GetPlayer, GetOnlinePlayer, GetClientLoadouts, GetClientLoadoutsOnline,
//                        GetMaxRecentPlayerCount
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "game/class_caches.hpp"
#include "game/layout.hpp"
#include "game/memory.hpp"

namespace game {

// The byte offset of the data property `name` (case-sensitive) declared by `structOrClass`
// itself; properties inherited from a super class are not found through it.
std::optional<std::int32_t> FindPropertyOffset(const GameObject* structOrClass,
                                               std::string_view name);

// The address of property `name` of the cached class inside `object`, or null when `object` is
// null or the class or the property cannot be found. The offset is searched on every call.
template <class T>
T* FieldOf(const void* object, ClassCache& cls, std::string_view name) {
    if (object == nullptr) return nullptr;
    GameObject* classObject = cls.Get();
    if (classObject == nullptr) return nullptr;
    std::optional<std::int32_t> offset = FindPropertyOffset(classObject, name);
    if (!offset) return nullptr;
    return FieldAt<T>(object, *offset);
}

// "Player" of a player controller: its local player object.
GameObject** GetPlayer(const void* playerController);
// "OnlinePlayer" of a local player: its online player object.
GameObject** GetOnlinePlayer(const void* localPlayer);
// "ClientLoadouts" of a player record: two consecutive records, loadout 0 then loadout 1.
ClientLoadoutData* GetClientLoadouts(const void* pri);
// "ClientLoadoutsOnline" of a player record: two consecutive records, loadout 0 then 1.
ClientLoadoutOnlineData* GetClientLoadoutsOnline(const void* pri);
// "MaxRecentPlayerCount" of the recent-players list.
std::int32_t* GetMaxRecentPlayerCount(const void* recentPlayers);

}  // namespace game
