// The plugin object.
//
// Every concealment is a member operation of CloakMyIdentity, defined in conceal/ (one file per
// kind of information). Handlers run on the game thread; RenderSettings runs on the host's
// drawing thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bakkesmod/plugin/bakkesmodplugin.h"
#include "plugin/entry_guard.hpp"
#include "plugin/host_extensions.hpp"
#include "plugin/load_outcome.hpp"
#include "plugin/shared_console.hpp"
#include "settings/plugin_settings.hpp"
#include "settings/settings_file.hpp"

namespace cloak {

// Failures, and what the user then sees. The plugin never takes the game down and never stops
// concealing because something failed; each kind of failure is caught at one boundary:
// - Any call from the host (plugin/entry_guard.hpp): an exception that reaches it - a failed
//   allocation, a host wrapper that throws - is one console line naming the entry point, and the
//   game goes on. The boundaries below catch what they expect before that.
// - The settings file, at load (BringInSettings, which raises nothing): whatever goes wrong
//   with the folder or the file - it cannot be created, read, parsed or converted - the record
//   keeps its defaults, so everything is concealed, one console line says what and where, and
//   the load sequence goes on. A file that could not be read is left as it is; one that was read
//   but cannot be used is kept as settings.json.bad (or the next free name) before a fresh file
//   is written, and is left as it is when it cannot be moved. No save writes over a file left
//   as it is until a load has read it.
// - The settings file, at a save: SaveSettings reports a file it cannot write in one console
//   line and keeps the old file whole; only a folder it cannot create raises.
// - The settings page (RenderSettings): the save after a click is its only call that raises; it
//   is caught there, logged in one line, the change stays in memory and drawing goes on.
// - Game access (game/, conceal/): whatever is not found or not valid is null, and the handler
//   skips its work silently; handlers raise nothing and report nothing.
// - The load sequence, when it cannot hook: one console line says that nothing is concealed, why
//   and what to do; the settings page says the same at its foot (Outcome), and a toast says it
//   on the game's screen. A game without its local player yet is tried again on a timer until
//   it has one (the line and the toast come once); tables that cannot be found are not.
// - A hook the host runs after the plugin object is gone: its callable finds the object expired
//   and calls nothing (HookTarget). The console commands hold the object the same way.
// - A console command with words it does not accept: one console line listing what it accepts,
//   and nothing changes.
// Every console line goes through LogLine, which keeps it valid UTF-8.
class CloakMyIdentity : public BakkesModPlugin, public HybridPlugin, public SettingsWindowBase {
public:
    CloakMyIdentity() = default;
    // The hook callables refer to one object; a copy would not be theirs.
    CloakMyIdentity(const CloakMyIdentity&) = delete;
    CloakMyIdentity& operator=(const CloakMyIdentity&) = delete;

    // Host interfaces (plugin/cloak_my_identity.cpp, settings/settings_page.cpp).
    void onLoad() override;
    // Ends the tries of a load that waits for the game and removes every hook: the host leaves
    // hooks to the plugin, and frees the module (the hooks' code) right after.
    void onUnload() override;
    void SetObjectTable(std::uint64_t objectTableAddress) override;
    void SetNameTable(std::uint64_t nameTableAddress) override;
#if CLOAK_SETTINGS_PAGE
    void RenderSettings() override;
    // RenderSettings' drawing, under the entry guard.
    void DrawSettingsPage();
#endif

    // Settings file (settings/settings_file.cpp). LoadSettings raises the file system's error for
    // a folder it cannot create, UnreadableSettingsFile for a file it cannot read and the JSON
    // library's error for a file it cannot use, and then leaves the record as it was.
    // SetAsideSettingsFile renames such a file to settings.json.bad, settings.json.bad.1, ... (the
    // first free of ten; older ones are kept) and logs why and where; false when it could not be
    // moved.
    // SaveSettings: true when the file holds the record (or a newer copy); false, after its
    // console line, when the record could not be written.
    void LoadSettings();
    bool SaveSettings();
    bool SetAsideSettingsFile(const std::string& why);

    // A change the user made, on the page or with a console command (settings/settings_change.cpp):
    // saved at once, a save that cannot even create the folder reported in one console line
    // (the change stays in memory); friend requests already queued in the game follow their
    // switch, on the game thread.
    void SaveChange();
    void SwitchChanged(const Switch& changed);
    // Hands FollowFriendRequestSwitch to the game thread.
    void QueueFriendRequestFollow();

    // Console commands (plugin/console_commands.cpp), registered by every load, also one that
    // could not hook. They run on the game thread.
    void RegisterConsoleCommands();

    // Concealment paused as a whole: handlers conceal nothing new, switches and the settings file
    // stay as they are. Never saved: every load conceals again, so a forgotten pause cannot
    // outlive the session it was meant for.
    bool Paused() const noexcept {
        return paused_.get();
    }
    // A pause or resume the user asked for, with a command or the page's button: one console
    // line and a toast. A resume is announced on the game thread's next tick (AnnounceResume),
    // after what the game showed meanwhile is concealed and friend requests that arrived meanwhile
    // follow their switch again.
    void PauseConcealment(bool pause);
    void AnnounceResume(GameWrapper* game);
    // Whether a handler gated by this switch conceals now. As cheap as reading the switch: one
    // more relaxed byte load.
    bool Conceals(const Switch& kind) const noexcept {
        return kind.get() && !paused_.get();
    }

    // What is already on the game's screens, concealed as if it had just arrived
    // (plugin/already_shown.cpp): run on the game thread at load, at a resume and when a switch is
    // turned on. Keeps what it could not conceal for LeftShowing.
    void ConcealWhatIsShown();
    // What the last ConcealWhatIsShown could not conceal, in the streamer's words ("players
    // already in this match"); empty when nothing stayed visible. Read from any thread.
    std::vector<std::string> LeftShowing() const;
    // At the end of a match (ResetPlayerNumbers): what the match's screens kept goes with them;
    // the menus' rank stays until they show it again.
    void ForgetWhatTheMatchShowed();

    // Player identity (conceal/identity.cpp).
    void ConcealReplicatedPlayer(ActorWrapper caller, void* params, std::string eventName);
    void ConcealTitle(ActorWrapper caller, void* params, std::string eventName);
    void ConcealLocalName(ActorWrapper caller, void* params, std::string eventName);
    void ResetPlayerNumbers(std::string eventName);

    // Rank, season reward, team name, forfeit vote (conceal/rank_teams_vote.cpp).
    void ConcealMenuRank(ActorWrapper caller, void* params, std::string eventName);
    void ConcealSeasonRank(ActorWrapper caller, void* params, std::string eventName);
    void ConcealTeamName(ActorWrapper caller, void* params, std::string eventName);
    void ConcealForfeitVote(ActorWrapper caller, void* params, std::string eventName);

    // Scoreboard statistics (conceal/scoreboard.cpp).
    void ConcealScoreStat(ActorWrapper caller, void* params, std::string eventName);

    // Friends list (conceal/friends_list.cpp). The two actions run on the game thread through
    // GameWrapper::Execute and ignore their argument.
    void OnRecentsChanged(ActorWrapper caller, void* params, std::string eventName);
    void OnDownloadRecentPlayers(ActorWrapper caller, void* params, std::string eventName);
    void OnNotificationAdded(ActorWrapper caller, void* params, std::string eventName);
    static void RestoreNotifications(GameWrapper* gameWrapper);
    static void PurgePendingNotifications(GameWrapper* gameWrapper);
    // The one of the two that fits the friend-request switch and the pause when it runs, so that
    // queued actions end in the state of the last change whatever order they were queued in.
    void FollowFriendRequestSwitch(GameWrapper* wrapper);

    // Car loadouts (conceal/loadouts.cpp).
    void ApplyDefaultLoadouts(PriWrapper caller, void* params, std::string eventName);
    std::int32_t DefaultProductId(std::int32_t slotIndex);

    PluginSettings settings;
    std::filesystem::path SettingsFolder;
    std::int32_t playerCounter = 0;

    // What the hook callables hold instead of the object's address (plugin/hook_table.hpp): it
    // expires with the object, so a callable that a host runs after the teardown calls nothing.
    std::weak_ptr<CloakMyIdentity*> HookTarget() {
        return hookTarget_;
    }

    // How the last load went; read by the settings page on the drawing thread.
    LoadOutcome Outcome() const {
        return outcome_.load();
    }

    // What the plugin says about whether it conceals, as the load, the pause, the switches and
    // the last sweep stand now (plugin/exposure_sign.cpp). Any thread.
    ConcealmentReport Report(Occasion occasion) const;
    // The lasting sign on the game's screen while something shows: a drawable registered at
    // load (on the game thread) that draws Report's sign, and nothing while everything is
    // concealed. onUnload removes it.
    void RegisterExposureSign();
    void DrawExposureSign(CanvasWrapper canvas) const;

    // Ends every try of the load still to come (onUnload, deleteMe); a try the host runs later
    // finds its reference expired and does nothing.
    void CancelPendingTries() {
        tryTarget_.reset();
    }

private:
    // onLoad's work, under the entry guard: the console, the settings, the load sequence.
    void LoadSteps();
    // The settings steps of onLoad: the stored choices, then a complete file written back
    // (plugin/cloak_my_identity.cpp). Raises nothing.
    void BringInSettings();
    // How the load step found the file: used; not used, and set aside (a fresh file is written);
    // not used and left as it is (or no folder to write into).
    enum class SettingsLoad : std::uint8_t { Used, SetAside, NotUsed };
    SettingsLoad LoadOrSetAside();
    // A Warning toast about the settings file: what happened, then the file's path; shown apart
    // from the load's own.
    void ShowSettingsToast(const char* what) noexcept;
    // The rest of onLoad after the console and settings steps (plugin/load_sequence.cpp): a try
    // now, and while the game has no local player yet, more on a timer, each `wait` seconds
    // after the last, the wait growing each time.
    void RunLoadSequence();
    void TryToConceal(float wait);
    // One try: the tables, the local player, the hooks and the check of the game names.
    LoadOutcome HookWhenReady();
    // The game's tables: as the host handed them over, as found by an earlier load, or found now
    // in the game's memory (plugin/load_sequence.cpp). Concealing when they are there.
    LoadOutcome FindGameTables();
    // Gives the local online player the name "Player 0" (conceal/identity.cpp). NoLocalController
    // or NoLocalPlayer when there is none; Concealing otherwise, also when there is no online
    // player to rename.
    LoadOutcome NameLocalPlayer();

    // The parts of ConcealWhatIsShown (plugin/already_shown.cpp); false where something stayed.
    bool SweepPlayers();
    bool SweepTeamNames();
    void SweepMenus();

    mutable std::mutex leftShowingLock_;
    std::vector<std::string> leftShowing_;  // LeftShowing; under leftShowingLock_
    // The thread the load ran on, the game's: ConcealWhatIsShown hands itself over from others.
    std::atomic<std::thread::id> gameThread_;
    // Values handed to the game unconcealed since the last ConcealWhatIsShown, which the game
    // keeps on screen until it asks again; game thread only. The scoreboard may hold scores from
    // before the load.
    bool scoresLetThrough_ = true;
    bool rankLetThrough_ = false;
    SettingsFileState fileState_;
    Switch paused_{false};
    std::atomic<LoadOutcome> outcome_{LoadOutcome::NotLoaded};
    std::shared_ptr<CloakMyIdentity*> hookTarget_ = std::make_shared<CloakMyIdentity*>(this);
    // What the timed tries of the current load hold, as the hook callables hold hookTarget_; each
    // load makes a new one, so that the tries of an earlier load end. Game thread only.
    std::shared_ptr<CloakMyIdentity*> tryTarget_;
    bool waitingShown_ = false;  // the current load has said that it waits for the game
    int passingTries_ = 0;       // the current load's tries that met a passing cause
};

// The one plugin object of the process, as the host sees it; empty until the first getPlugin.
extern std::shared_ptr<BakkesModPlugin> pluginInstance;

// The work of the exports getPlugin and deleteMe, under the entry guard (plugin/entry_guard.hpp).
// PluginOwner returns the address of pluginInstance, building the object first when it is empty;
// null when it cannot be built. ReleasePlugin ends the object's tries of the load (the module may
// go with the reference) and empties pluginInstance.
std::shared_ptr<BakkesModPlugin>* PluginOwner() noexcept;
void ReleasePlugin() noexcept;

}  // namespace cloak
