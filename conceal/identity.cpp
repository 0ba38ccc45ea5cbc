// Player identity: other players become "Player 1", "Player 2", ... in order of their name
// replications, the local player is "Player 0", titles are blanked and club tags dropped.
#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "conceal/wrapped_object.hpp"
#include "game/class_caches.hpp"
#include "game/event_params.hpp"
#include "game/game_string.hpp"
#include "game/script_calls.hpp"
#include "plugin/cloak_my_identity.hpp"

namespace cloak {

namespace {

// The replicated variable that carries a player's displayed name.
constexpr std::string_view kPlayerNameVariable = "PlayerName";

// "Player {}" with the given number, as UTF-16 (the text is plain ASCII).
class NumberedName {
public:
    explicit NumberedName(std::int32_t number) {
        std::array<char, 32> narrow{};
        const auto written = fmt::format_to_n(narrow.data(), narrow.size(), "Player {}", number);
        length_ = static_cast<std::size_t>(written.out - narrow.data());
        std::copy_n(narrow.begin(), length_, units_.begin());
    }
    std::u16string_view text() const { return {units_.data(), length_}; }

private:
    std::array<char16_t, 32> units_{};
    std::size_t length_ = 0;
};

// The address of the local player's record; 0 when there is no local controller.
std::uintptr_t LocalRecordAddress(GameWrapper& gameWrapper) {
    PlayerControllerWrapper controller = gameWrapper.GetPlayerController();
    if (!controller) return 0;
    return controller.GetPRI().memory_address;
}

}  // namespace

// ---- ConcealReplicatedPlayer --------------------------------------------------------------------

void CloakMyIdentity::ConcealReplicatedPlayer(ActorWrapper caller, void* params, std::string) {
    if (gameWrapper->IsInFreeplay()) return;
    if (!caller) return;
    PriWrapper record(caller.memory_address);
    if (params == nullptr || record.memory_address == 0) return;

    const auto* event = static_cast<const game::ReplicatedEventParams*>(params);
    const std::string variable = gameWrapper->GetFNameByIndex(event->variableName.index);

    if (Conceals(settings.bShowNames) && variable == kPlayerNameVariable &&
        LocalRecordAddress(*gameWrapper) != record.memory_address) {
        // A player renamed twice gets a fresh number; nothing remembers who had which.
        ++playerCounter;
        game::GameString name = game::MakeGameString(NumberedName(playerCounter).text());
        if (name.data != nullptr) {
            game::GameString* field =
                game::PlayerReplicationInfoPlayerName.In(WrappedObject(record));
            if (field != nullptr) game::AssignGameString(*field, name);
            game::ReleaseGameString(name);
        }
    }

    // Every replicated variable of every record, the local player's too.
    if (Conceals(settings.bShowClubs)) record.SetClubID(0);
}

// ---- ConcealTitle -------------------------------------------------------------------------------

void CloakMyIdentity::ConcealTitle(ActorWrapper caller, void*, std::string) {
    if (!Conceals(settings.bHideScoreboardInfo) || !settings.bShowTitles.get()) return;
    game::GameString* title = game::GfxPriXPTitle.In(WrappedObject(caller));
    if (title == nullptr || title->data == nullptr) return;
    // The count is the game's word only up to the buffer's real size.
    const std::int32_t units = std::min(title->count, title->capacity);
    if (units > 0) std::fill_n(title->data, units, u'\0');
}

// ---- ConcealLocalName, NameLocalPlayer ----------------------------------------------------------

void CloakMyIdentity::ConcealLocalName(ActorWrapper, void*, std::string) {
    if (Paused()) return;
    NameLocalPlayer();
}

LoadOutcome CloakMyIdentity::NameLocalPlayer() {
    game::GameObject* controller = nullptr;
    {
        PlayerControllerWrapper wrapper = gameWrapper->GetPlayerController();
        controller = WrappedObject(wrapper);
    }
    if (controller == nullptr) return LoadOutcome::NoLocalController;

    game::GameObject* const* player = game::PlayerControllerPlayer.In(controller);
    if (player == nullptr || *player == nullptr) return LoadOutcome::NoLocalPlayer;

    game::GameObject* const* onlinePlayer = game::LocalPlayerOnlinePlayer.In(*player);
    if (onlinePlayer == nullptr || *onlinePlayer == nullptr) return LoadOutcome::Concealing;

    game::GameString name = game::MakeGameString(u"Player 0");
    if (name.data != nullptr) game::SetPlayerName(*onlinePlayer, name);
    return LoadOutcome::Concealing;
}

// ---- ResetPlayerNumbers -------------------------------------------------------------------------

void CloakMyIdentity::ResetPlayerNumbers(std::string) {
    playerCounter = 0;
    ForgetWhatTheMatchShowed();
}

}  // namespace cloak
