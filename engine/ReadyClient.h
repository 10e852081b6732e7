// The RTC client as the engine's parts reach it: nothing until the engine
// has connected its events (a client that could not be set up, or none at
// all, does nothing).
#pragma once

#include "engine/RtcClient.h"

namespace ralu {

class ReadyClient {
public:
    explicit ReadyClient(RtcClient *client)
        : m_client(client)
    {
    }
    RtcClient *get() const { return m_ready ? m_client : nullptr; }
    // The client whether ready or not: for setting it up and shutting it down.
    RtcClient *raw() const { return m_client; }
    void markReady() { m_ready = true; }

private:
    RtcClient *m_client;
    bool m_ready = false;
};

} // namespace ralu
