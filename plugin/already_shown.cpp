// What is already on the game's screens when concealment starts or widens: concealed as if it
// had just arrived.
#include "plugin/cloak_my_identity.hpp"

namespace cloak {

void CloakMyIdentity::ConcealWhatIsShown() {
    const std::scoped_lock lock(leftShowingLock_);
    leftShowing_.clear();
}

std::vector<std::string> CloakMyIdentity::LeftShowing() const {
    const std::scoped_lock lock(leftShowingLock_);
    return leftShowing_;
}

}  // namespace cloak
