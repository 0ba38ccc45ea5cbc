// Playing a match script: each event becomes the game's calls on the session.
#include "sim/game/match_play.hpp"

#include <map>
#include <string>
#include <type_traits>

namespace emu {

namespace {

// The players of the current match by the script's ids.
class ScriptPlayers {
public:
    ScriptPlayers(Session& session, const std::function<void()>& tick,
                  const std::function<void()>& loadPlugin,
                  const std::function<void(const std::string&)>& console)
        : session_(session), tick_(tick), loadPlugin_(loadPlugin), console_(console) {}

    // One tick of the game thread.
    void Frame() {
        tick_();
        if (session_.InMenus()) session_.ProcessNotifications();
    }

    void operator()(const JoinEvent& event) {
        players_[event.player] = &session_.Join(event.local, event.name, event.team, event.clubId);
        if (event.title) session_.SetTitle(*players_[event.player], *event.title);
    }
    void operator()(const RenameEvent& event) { session_.Rename(Player(event), event.name); }
    void operator()(const ClubEvent& event) { session_.SetClub(Player(event), event.clubId); }
    void operator()(const ReplicateEvent& event) {
        session_.Replicate(Player(event), event.variable);
    }
    void operator()(const TitleEvent& event) { session_.SetTitle(Player(event), event.title); }
    void operator()(const StatEvent& event) {
        session_.ReportStat(Player(event), event.stat, event.value);
    }
    void operator()(const LoadoutEvent& event) {
        session_.SetLoadouts(Player(event), event.products, event.onlineData);
    }
    void operator()(const TeamNameEvent& event) { session_.SetTeamName(event.team, event.name); }
    void operator()(const VoteEvent&) { session_.OfferVote(); }
    void operator()(const MenuRankEvent& event) { session_.AskMenuRank(event.playlist); }
    void operator()(const SeasonRewardEvent& event) { session_.UpdateSeasonReward(event.level); }
    void operator()(const RecentsChangedEvent& event) { session_.ChangeRecents(event.max); }
    void operator()(const DownloadRecentsEvent& event) { session_.DownloadRecents(event.max); }
    void operator()(const NotificationEvent& event) {
        session_.AddNotification(event.friendRequest, event.from);
    }
    void operator()(const RpcEvent&) { session_.SendRpcBatch(); }
    void operator()(const FreePlayEvent& event) {
        players_.clear();
        if (event.on) {
            session_.EnterFreePlay();
        } else {
            session_.EndMatch();
        }
    }
    void operator()(const EndMatchEvent&) {
        players_.clear();
        session_.EndMatch();
    }
    void operator()(const ConsoleEvent& event) {
        if (console_) console_(event.command);
    }
    void operator()(const LoadPluginEvent&) {
        if (loadPlugin_) loadPlugin_();
    }
    void operator()(const MainMenuEvent&) { session_.ReachMainMenu(); }
    void operator()(const WaitEvent& event) {
        for (int frame = 0; frame < event.seconds * kFramesPerSecond; ++frame) Frame();
    }

private:
    // The script was checked when it was read: every id names a player of the current match.
    template <class Event>
    MatchPlayer& Player(const Event& event) {
        return *players_.at(event.player);
    }

    Session& session_;
    const std::function<void()>& tick_;
    const std::function<void()>& loadPlugin_;
    const std::function<void(const std::string&)>& console_;
    std::map<std::string, MatchPlayer*> players_;
};

}  // namespace

void PlayMatchScript(Session& session, const MatchScript& script, const std::function<void()>& tick,
                     const std::function<void()>& loadPlugin,
                     const std::function<void(const std::string&)>& console) {
    ScriptPlayers players(session, tick, loadPlugin, console);
    for (const MatchEvent& event : script.events) {
        std::visit(players, event);
        players.Frame();
    }
}

}  // namespace emu
