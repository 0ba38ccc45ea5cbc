// Car loadouts: every car shows the default product of each slot, without its online data.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "conceal/wrapped_object.hpp"
#include "game/class_caches.hpp"
#include "game/layout.hpp"
#include "plugin/cloak_my_identity.hpp"

namespace cloak {

namespace {

// ---- DefaultProducts ----------------------------------------------------------------------------

// The default product IDs of the slot indices from `first` to `last`. The slot that decides an
// index is the first valid one in the catalogue's list reporting it; an index without one, or
// whose slot has no valid default product, gets 0. The catalogue is asked once, and not at all
// for an empty range.
class DefaultProducts {
public:
    DefaultProducts(GameWrapper& gameWrapper, std::int32_t first, std::int32_t last) {
        if (last < first) return;
        const std::int64_t wanted = std::int64_t{last} - first + 1;

        ItemsWrapper items = gameWrapper.GetItemsWrapper();
        ArrayWrapper<ProductSlotWrapper> slots = items.GetAllProductSlots();
        const int slotCount = slots.Count();
        for (int position = 0; position < slotCount; ++position) {
            ProductSlotWrapper slot = slots.Get(position);
            if (!slot) continue;
            const std::int32_t index = slot.GetSlotIndex();
            if (index < first || index > last || Find(index) != nullptr) continue;
            ProductWrapper product = slot.GetDefaultProduct();
            decided_.push_back({index, product ? product.GetID() : 0});
            if (std::ssize(decided_) == wanted) break;
        }
    }

    std::int32_t Id(std::int32_t slotIndex) const {
        const Decided* found = Find(slotIndex);
        return found != nullptr ? found->productId : 0;
    }

private:
    struct Decided {
        std::int32_t slotIndex;
        std::int32_t productId;
    };

    // A catalogue holds a few dozen slots: a plain search beats any index here.
    const Decided* Find(std::int32_t slotIndex) const {
        for (const Decided& entry : decided_) {
            if (entry.slotIndex == slotIndex) return &entry;
        }
        return nullptr;
    }

    std::vector<Decided> decided_;
};

// The elements an array really holds: the game's count is believed only up to the capacity.
template <class T>
std::int32_t HeldElements(const game::GameArray<T>& array) {
    return std::min(array.count, array.capacity);
}

// A loadout keeps its first and last product ID and rewrites those in between.
constexpr std::int32_t kFirstRewritten = 1;
std::int32_t LastRewritten(const game::ClientLoadoutData& loadout) {
    return std::max(HeldElements(loadout.products), std::int32_t{2}) - 2;
}

}  // namespace

// ---- DefaultProductId ---------------------------------------------------------------------------

std::int32_t CloakMyIdentity::DefaultProductId(std::int32_t slotIndex) {
    return DefaultProducts(*gameWrapper, slotIndex, slotIndex).Id(slotIndex);
}

// ---- ApplyDefaultLoadouts -----------------------------------------------------------------------

void CloakMyIdentity::ApplyDefaultLoadouts(PriWrapper caller, void*, std::string) {
    if (!caller || !Conceals(settings.bDefaultLoadouts) || caller.memory_address == 0) return;
    game::GameObject* record = WrappedObject(caller);
    game::ClientLoadoutData* loadouts = game::PriClientLoadouts.In(record);
    game::ClientLoadoutOnlineData* onlineData = game::PriClientLoadoutsOnline.In(record);
    if (loadouts == nullptr || onlineData == nullptr) return;

    const DefaultProducts defaults(
        *gameWrapper, kFirstRewritten,
        std::max(LastRewritten(loadouts[0]), LastRewritten(loadouts[1])));
    for (int loadout = 0; loadout < 2; ++loadout) {
        const game::GameArray<game::ProductOnlineData>& online = onlineData[loadout].products;
        if (online.data != nullptr) {
            for (std::int32_t i = 0; i < HeldElements(online); ++i) online.data[i].attributeId = 0;
        }
        const game::GameArray<std::int32_t>& products = loadouts[loadout].products;
        if (products.data != nullptr) {
            for (std::int32_t i = kFirstRewritten; i <= LastRewritten(loadouts[loadout]); ++i) {
                products.data[i] = defaults.Id(i);
            }
        }
    }
}

}  // namespace cloak
