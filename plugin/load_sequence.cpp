// The load sequence: the game's tables, the local player's name, the hooks, and the check of the
// game names the hooks depend on; tried again on a timer while the game has no local player yet.
#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <memory>
#include <thread>

#include "conceal/wrapped_object.hpp"
#include "game/name_registry.hpp"
#include "game/table_discovery.hpp"
#include "game/tables.hpp"
#include "plugin/cloak_my_identity.hpp"
#include "plugin/hook_table.hpp"

namespace cloak {

namespace {

// The wait before the first try again, and the longest: a game that gets its local player is
// concealed within seconds, and a try without one costs next to nothing.
constexpr float kFirstWaitSeconds = 0.5F;
constexpr float kLongestWaitSeconds = 4.0F;

}  // namespace

void CloakMyIdentity::RunLoadSequence() {
    tryTarget_ = std::make_shared<CloakMyIdentity*>(this);
    gameThread_ = std::this_thread::get_id();
    waitingShown_ = false;
    passingTries_ = 0;
    TryToConceal(kFirstWaitSeconds);
}

void CloakMyIdentity::TryToConceal(float wait) {
    const LoadOutcome outcome = HookWhenReady();
    // A passing cause is tried again quietly, up to its last try, whose outcome stays.
    const bool passing = PassingCause(outcome) && ++passingTries_ < kTriesOverChangingMemory;
    if (TriedAgain(outcome) || passing) {
        // The user hears once that the plugin waits, not on every try.
        if (!waitingShown_ && !passing) {
            waitingShown_ = true;
            outcome_.store(LoadOutcome::WaitingForGame);
            LogLine(NotConcealingLine(outcome));
            ShowToast(*gameWrapper, ToastFor(LoadOutcome::WaitingForGame));
        }
        gameWrapper->SetTimeout(
            Guarded("a try of the load",
                    [target = std::weak_ptr(tryTarget_), wait](GameWrapper*) {
                        if (const std::shared_ptr<CloakMyIdentity*> plugin = target.lock()) {
                            (*plugin)->TryToConceal(std::min(2 * wait, kLongestWaitSeconds));
                        }
                    }),
            wait);
        return;
    }
    outcome_.store(outcome);
    if (Hooked(outcome)) ConcealWhatIsShown();
    if (!Hooked(outcome)) {
        LogLine(NotConcealingLine(outcome));
        ShowToast(*gameWrapper, ToastFor(outcome));
        return;
    }
    ConcealWhatIsShown();
    // "Concealing." only when nothing shows. A pause made while the load waited outlives the
    // wait: the streamer hears that nothing is concealed, not that the plugin conceals now.
    const ConcealmentReport report = Report(Occasion::Load);
    if (waitingShown_ && !Paused()) LogLine(kConcealingAfterWaitingLine);
    if (Paused() || (outcome == LoadOutcome::Concealing && !report.ConcealsEverything())) {
        LogLine(fmt::format("CloakMyIdentity: {}", fmt::join(report.lines, " ")));
    }
    ShowToast(*gameWrapper, report.toast);
}

LoadOutcome CloakMyIdentity::HookWhenReady() {
    LoadOutcome outcome = FindGameTables();
    // Without tables or a local player there is nobody to conceal from yet: no hooks, no check.
    if (outcome == LoadOutcome::Concealing) outcome = NameLocalPlayer();
    if (outcome != LoadOutcome::Concealing) return outcome;
    hooks::RegisterHookTable(*this, *gameWrapper);
    // A game name the hooks rely on is missing: the game build is not the one this plugin knows.
    // The hooks stay; the handlers skip what they cannot find.
    const std::vector<std::string> missing = game::MissingRegisteredNames();
    if (missing.empty()) return LoadOutcome::Concealing;
    LogLine("BAD BAD BAD");
    LogLine(fmt::format("CloakMyIdentity: game names missing: {}", ListText(missing)));
    return LoadOutcome::ConcealingWithGaps;
}

LoadOutcome CloakMyIdentity::FindGameTables() {
    // A host that hands the tables over knows them; tables found by an earlier load stay where
    // they were, as the game's static data does.
    if (game::TablesHandedOver || (game::ObjectTableAddress != 0 && game::NameTableAddress != 0)) {
        return LoadOutcome::Concealing;
    }
    std::array<const game::GameObject*, 2> known{};
    {
        PlayerControllerWrapper controller = gameWrapper->GetPlayerController();
        known[0] = WrappedObject(controller);
        if (known[0] == nullptr) return LoadOutcome::NoLocalController;
        PriWrapper record = controller.GetPRI();
        known[1] = WrappedObject(record);
    }
    const game::FoundTables found = game::DiscoverTables(
        known, [this](std::int32_t index) { return gameWrapper->GetFNameByIndex(index); },
        game::SnapshotProcessMemory());
    if (found.result == game::DiscoveryResult::Found) {
        game::ObjectTableAddress = found.objectTable;
        game::NameTableAddress = found.nameTable;
    }
    return OutcomeOfSearch(found.result);
}

LoadOutcome OutcomeOfSearch(game::DiscoveryResult result) {
    switch (result) {
        case game::DiscoveryResult::Found:
            return LoadOutcome::Concealing;
        case game::DiscoveryResult::SeveralObjectTables:
        case game::DiscoveryResult::SeveralNameTables:
            return LoadOutcome::SeveralGameTables;
        // The controller the host named cannot be read: one that is still being made.
        case game::DiscoveryResult::NoKnownObject:
            return LoadOutcome::NoLocalController;
        case game::DiscoveryResult::MemoryUnreadable:
            return LoadOutcome::MemoryUnreadable;
        case game::DiscoveryResult::NoModuleList:
            return LoadOutcome::NoModuleList;
        case game::DiscoveryResult::NoObjectTable:
        case game::DiscoveryResult::NoNameTable:
            break;
    }
    return LoadOutcome::NoGameTables;
}

}  // namespace cloak
