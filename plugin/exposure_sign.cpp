// The state of concealment as one report, and the lasting sign that shows it on the game's
// screen while the streamer is exposed: a toast lasts seconds, a pause until the game restarts.
#include <algorithm>

#include "bakkesmod/wrappers/canvaswrapper.h"
#include "plugin/cloak_my_identity.hpp"
#include "plugin/entry_guard.hpp"

namespace cloak {

ConcealmentReport CloakMyIdentity::Report(Occasion occasion) const {
    return Describe(ConcealmentState{Outcome(), Paused(), KindsShown(settings), LeftShowing()},
                    occasion);
}

void CloakMyIdentity::RegisterExposureSign() {
    // Every drawable of the plugin goes at once; a load after a load draws one sign, not two.
    gameWrapper->UnregisterDrawables();
    // The drawable holds the object as the hooks do: one the host runs after the object is gone
    // draws nothing.
    gameWrapper->RegisterDrawable(
        Guarded("the sign on the game's screen", [target = HookTarget()](CanvasWrapper canvas) {
            if (const std::shared_ptr<CloakMyIdentity*> plugin = target.lock()) {
                (*plugin)->DrawExposureSign(canvas);
            }
        }));
}

// One line in the top left corner, on a dark box so that it reads over any scene; red while the
// identity shows as a whole, amber while parts of it do. Scaled with the screen: 720 lines and
// fewer draw at the font's own size.
void CloakMyIdentity::DrawExposureSign(CanvasWrapper canvas) const {
    const ConcealmentReport report = Report(Occasion::Status);
    if (report.ConcealsEverything()) return;
    const float scale = std::max(1.0F, static_cast<float>(canvas.GetSize().Y) / 720.0F);
    const float margin = 12.0F * scale;
    const float padding = 4.0F * scale;
    const Vector2F text = canvas.GetStringSize(report.sign, scale, scale);
    canvas.SetPosition({margin, margin});
    canvas.SetColor(0, 0, 0, static_cast<char>(160));
    canvas.FillBox({text.X + 2 * padding, text.Y + 2 * padding});
    canvas.SetPosition({margin + padding, margin + padding});
    if (report.alarm) {
        canvas.SetColor(static_cast<char>(255), 64, 64, static_cast<char>(255));
    } else {
        canvas.SetColor(static_cast<char>(255), static_cast<char>(176), 0, static_cast<char>(255));
    }
    canvas.DrawString(report.sign, scale, scale, true);
}

}  // namespace cloak
