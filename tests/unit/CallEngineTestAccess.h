// The test seam of the call engine's timers: a tick as its timeout would
// deliver it (deferred while a billing query waits), a start, a shorter
// interval. Nothing else reaches into the engine.
#pragma once

#include "engine/CallEngine.h"

namespace ralu {

class CallEngineTestAccess {
public:
    static void tick(CallEngine &engine, EngineTimer which) { engine.m_deferral.arrive(int(which)); }
    // The ready timer starts as a call's end starts it, with both its resets due.
    static void start(CallEngine &engine, EngineTimer which)
    {
        which == EngineTimer::Ready ? engine.startReady(engine.m_ready.interval())
                                    : engine.timer(which).start();
    }
    static void setInterval(CallEngine &engine, EngineTimer which, int ms)
    {
        engine.timer(which).setInterval(ms);
    }
    static int remaining(CallEngine &engine, EngineTimer which)
    {
        return engine.timer(which).remainingTime();
    }
};

} // namespace ralu
