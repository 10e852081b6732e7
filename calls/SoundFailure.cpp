#include "calls/SoundFailure.h"

namespace ralu {

void funcSoundError(AppState &state, MessageBoxes &boxes)
{
    if (state.blnSoundFunError)
        return;
    // Raised before the box waits for OK: a failure while it is open (its
    // event loop runs the window's timers) shows no second box.
    state.blnSoundFunError = true;
    boxes.show(QStringLiteral("Install Suitable Sound Card "), MessageBoxes::Icon::None);
}

} // namespace ralu
