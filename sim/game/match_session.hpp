// The emulated game around its matches: the local player, the menus' data objects, the item
// catalogue and the match being played, with the bodies of the thirteen game functions that a
// plugin hooks. Every change to a screen goes through one of those functions, called through
// ProcessEvent (so the host's detour sees it) with the function's real parameter block.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sim/game/world.hpp"

namespace emu {

// One player in the current match: the replicated record and its scoreboard row.
struct MatchPlayer {
    GameObject* pri = nullptr;         // Class TAGame.PRI_TA
    GameObject* scoreboard = nullptr;  // Class TAGame.GFxData_PRI_TA
    bool local = false;
    // What the scoreboard shows for each statistic, in the order first reported, and where each
    // name stands in that list: a long match reports many thousands of names, each many times.
    std::vector<std::pair<std::string, std::int32_t>> stats;
    std::unordered_map<std::string, std::size_t> statPositions;
};

// One product slot of the catalogue as the game describes it. A slot's default product of 0
// means the slot has none.
struct CatalogueSlot {
    bool present;  // false: the catalogue's list holds no object at this position
    std::int32_t slotIndex;
    std::u16string label;
    std::int32_t defaultProduct;
};

// The built-in catalogue, position by position. It holds an empty position, a slot without a
// default product, two slots reporting one index and an index that no slot reports.
const std::vector<CatalogueSlot>& BuiltInCatalogue();

// Where the game stands when the session starts: at its main menu, with the local player, or
// still loading, before the local player controller exists (a plugin the host loads at start
// meets the game there).
enum class GameStart { MainMenu, Loading };

class Session {
public:
    // Builds the local player (controller, local player, online player named `localName`; at
    // the main menu only), the menus' data objects, the recent-players list, the notification
    // manager and the item catalogue (`catalogue`, position by position) in `world`, sets the
    // bodies of the hooked functions, and becomes current until it goes.
    Session(World& world, std::u16string_view localName,
            const std::vector<CatalogueSlot>& catalogue = BuiltInCatalogue(),
            GameStart start = GameStart::MainMenu);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    static Session* CurrentOrNull();
    World& GameWorld() const { return world_; }

    // ---- Players (a match starts with the first player or team name after the menus) ------------
    // A new player: record and scoreboard row, then the replication of its team, name and club.
    // The local player's name is the online player's name.
    MatchPlayer& Join(bool local, std::u16string_view name, std::int32_t team,
                      std::uint64_t clubId);
    void Rename(MatchPlayer& player, std::u16string_view name);
    void SetClub(MatchPlayer& player, std::uint64_t clubId);
    // Replication of one variable of the player's record ("PlayerName", "ClubID", ...).
    void Replicate(MatchPlayer& player, std::string_view variable);
    void SetTitle(MatchPlayer& player, std::u16string_view title);
    void ReportStat(MatchPlayer& player, std::string_view stat, std::int32_t value);
    // Both loadouts: product ids per slot and the 32-bit online field of each product.
    void SetLoadouts(MatchPlayer& player, const std::array<std::vector<std::int32_t>, 2>& products,
                     const std::array<std::vector<std::int32_t>, 2>& onlineData);

    // ---- Match ----------------------------------------------------------------------------------
    void SetTeamName(std::int32_t team, std::u16string_view name);
    void OfferVote();
    // The game event object (a match or free play) is destroyed: its players leave; the menus
    // follow.
    void EndMatch();
    // Free play is a game event of its own; a match being played ends first.
    void EnterFreePlay();
    // In the order they joined; a player stays at its address until the match ends.
    const std::deque<MatchPlayer>& Players() const { return players_; }

    // ---- Menus ----------------------------------------------------------------------------------
    void AskMenuRank(std::int32_t playlist);
    void UpdateSeasonReward(std::int32_t level);
    void ChangeRecents(std::int32_t max);
    void DownloadRecents(std::int32_t max);
    void AddNotification(bool friendRequest, std::u16string_view from);
    // Shows the pending notifications; the game does so while the player is in the menus.
    void ProcessNotifications();
    bool InMenus() const { return gameEvent_ == nullptr; }
    void SendRpcBatch();

    // A game still loading reaches its main menu: the local player comes into being. Nothing
    // happens when it is there already.
    void ReachMainMenu();

    // ---- Host queries ---------------------------------------------------------------------------
    // Null while the game is loading.
    GameObject* LocalController() const { return controller_; }
    GameObject* OnlinePlayer() const { return onlinePlayer_; }
    bool InFreePlay() const;
    // The object behind the host's ItemsWrapper: a product database whose "Slots" list the
    // catalogue's positions.
    GameObject* ItemCatalogue() const { return catalogue_; }

    // ---- Screen sources -------------------------------------------------------------------------
    bool MenuRankShown() const { return menuRankShown_; }
    GameObject* SeasonReward() const { return seasonReward_; }
    GameObject* Vote() const { return vote_; }
    GameObject* RecentPlayers() const { return recents_; }
    GameObject* NotificationManager() const { return notifications_; }
    GameObject* TeamRow(std::int32_t team) const { return teamRows_[team]; }

private:
    void DefineExtraClasses();
    void SpawnLocalPlayer();
    void BuildCatalogue(const std::vector<CatalogueSlot>& slots);
    void SetBodies();
    void StartMatchIfNeeded();
    MatchPlayer* PlayerOf(const GameObject* pri);

    World& world_;
    std::u16string localName_;
    GameObject* controller_ = nullptr;
    GameObject* onlinePlayer_ = nullptr;
    GameObject* localPlayerData_ = nullptr;
    GameObject* seasonReward_ = nullptr;
    GameObject* vote_ = nullptr;
    GameObject* friends_ = nullptr;
    GameObject* recents_ = nullptr;
    GameObject* notifications_ = nullptr;
    GameObject* rpcQueue_ = nullptr;
    GameObject* catalogue_ = nullptr;
    std::array<GameObject*, 2> teamRows_{};
    std::array<GameObject*, 2> teams_{};
    GameObject* gameEvent_ = nullptr;
    GameObject* freePlayClass_ = nullptr;
    std::deque<MatchPlayer> players_;
    // Player titles by the id the player's record holds (ids start at 1; 0 is no title).
    std::vector<std::u16string> titles_;
    std::int32_t seasonLevel_ = 0;
    std::int32_t downloadedRecentsLimit_ = 0;
    bool menuRankShown_ = false;
};

}  // namespace emu
