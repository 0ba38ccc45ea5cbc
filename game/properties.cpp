// Property search and the named field accessors.
#include "game/properties.hpp"

namespace game {

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
    if (structOrClass == nullptr) return std::nullopt;
    const GameObject* super = structOrClass->superStruct;
    for (const GameObject* field = structOrClass->firstField; field != nullptr;
         field = field->nextField) {
        if (IsNonDataField(field)) continue;
        if (field->dataProperty == 0) continue;
        if (super != nullptr) {
            // Fields lying in the super class's part of an instance are inherited, not declared.
            if (super == structOrClass) continue;
            if (static_cast<std::uint32_t>(field->offset) <
                static_cast<std::uint32_t>(super->propertySize)) {
                continue;
            }
        }
        if (GetObjectName(field) == name) return field->offset;
    }
    return std::nullopt;
}

GameObject** GetPlayer(const void* playerController) {
    return FieldOf<GameObject*>(playerController, PlayerControllerClass, "Player");
}

GameObject** GetOnlinePlayer(const void* localPlayer) {
    return FieldOf<GameObject*>(localPlayer, LocalPlayerClass, "OnlinePlayer");
}

ClientLoadoutData* GetClientLoadouts(const void* pri) {
    return FieldOf<ClientLoadoutData>(pri, PriClass, "ClientLoadouts");
}

ClientLoadoutOnlineData* GetClientLoadoutsOnline(const void* pri) {
    return FieldOf<ClientLoadoutOnlineData>(pri, PriClass, "ClientLoadoutsOnline");
}

std::int32_t* GetMaxRecentPlayerCount(const void* recentPlayers) {
    return FieldOf<std::int32_t>(recentPlayers, RecentPlayersClass, "MaxRecentPlayerCount");
}

}  // namespace game
