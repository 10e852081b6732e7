// A call engine on the fake client, registered at 127.0.0.1 as 1001, with a
// dialer and a main window over it: what the child windows dial through.
#pragma once

#include "FakeMessageBoxes.h"
#include "FakeRtcClient.h"
#include "calls/Dialer.h"
#include "engine/CallEngine.h"
#include "windows/MainWindow.h"

#include <gtest/gtest.h>

namespace ralu::testing {

// Registers engine's account (1001 at 127.0.0.1) through the fake client.
// Call from a fixture's SetUp (it asserts).
inline void registerOnFakeClient(CallEngine &engine, AppState &state, FakeRtcClient &rtc)
{
    engine.prepareLoad();
    state.login.strUserName = QStringLiteral("1001");
    state.login.strLoginSIPIP = QStringLiteral("127.0.0.1");
    ASSERT_TRUE(engine.initializeRTC());
    engine.registerAccount();
    rtc.registration(RTCRS_REGISTERED);
    ASSERT_EQ(registrationWord(engine.registration().state()), QStringLiteral("REGISTERED"));
}

struct RegisteredPhone {
    AppState state;
    FakeRtcClient rtc;
    FakeMessageBoxes boxes;
    CallEngine engine { state, &rtc };
    Dialer dialer { engine, state, boxes, {}, {} };
    MainWindow window { engine, state };

    // Call from a fixture's SetUp (it asserts).
    void registerAccount() { registerOnFakeClient(engine, state, rtc); }

    // The SIP addresses of the calls placed so far.
    std::vector<std::string> dialedAddresses() const
    {
        std::vector<std::string> result;
        for (const auto &session : rtc.createdSessions)
            for (const auto &added : session->added)
                result.push_back(added.first);
        return result;
    }
};

} // namespace ralu::testing
