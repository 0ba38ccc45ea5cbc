// Registration of the hook table.
#include "plugin/hook_table.hpp"

#include "game/name_registry.hpp"

namespace cloak {

namespace hooks {

namespace {

void Enter(const RegistryName& name, std::string_view rowFunction) {
    switch (name.kind) {
        case RegistryName::Kind::RowFunction:
            game::NameRegistry::AddFunction(rowFunction);
            break;
        case RegistryName::Kind::Class:
            game::NameRegistry::AddClass(name.className);
            break;
        case RegistryName::Kind::Struct:
            game::NameRegistry::SetStructSize(name.structName, name.structSize);
            break;
    }
}

}  // namespace

void RegisterHookTable(CloakMyIdentity& plugin, GameWrapper& game) {
    for (const HookRow& row : HookTable) {
        for (const RegistryName& name : row.names) Enter(name, row.function);
        row.operation.hook(game, std::string(row.function), plugin);
    }
}

void UnhookHookTable(GameWrapper& game) {
    for (const HookRow& row : HookTable) {
        if (row.operation.trigger == Trigger::Post) {
            game.UnhookEventPost(std::string(row.function));
        } else {
            game.UnhookEvent(std::string(row.function));
        }
    }
}

}  // namespace hooks

}  // namespace cloak
