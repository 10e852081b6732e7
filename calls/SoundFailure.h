// The sound device failed: the first failure of a run tells the user, once,
// and from then on dialing is refused (Dialer reads blnSoundFunError).
#pragma once

#include "engine/AppState.h"
#include "engine/MessageBoxes.h"

namespace ralu {

void funcSoundError(AppState &state, MessageBoxes &boxes);

} // namespace ralu
