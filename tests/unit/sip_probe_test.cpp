// The provider probe alone, on a clock of the test's own.
#include "sip/SipDatagram.h"
#include "sip/SipProbe.h"

#include <gtest/gtest.h>

using namespace ralu;
using namespace std::chrono_literals;

namespace {

const std::string kRegister = "REGISTER sip:127.0.0.1 SIP/2.0\r\n"
                              "Via: SIP/2.0/UDP 127.0.0.1:40000;branch=z9hG4bK.reg;rport\r\n"
                              "From: <sip:1001@127.0.0.1>;tag=regtag\r\nTo: <sip:1001@127.0.0.1>\r\n"
                              "Call-ID: reg-1\r\nCSeq: 20 REGISTER\r\nContent-Length: 0\r\n\r\n";

} // namespace

TEST(SipProbe, AsksTheRegistrarWithARequestOfItsOwnMadeFromTheLastRegister)
{
    SipProbe probe;
    const auto t0 = SipProbe::Clock::now();
    EXPECT_FALSE(probe.start(t0)) << "nothing to ask before a REGISTER";
    probe.noteRegister(kRegister);
    ASSERT_TRUE(probe.start(t0));
    const std::string request = probe.due(t0);
    const SipDatagram d = inspectSipDatagram(request);
    ASSERT_TRUE(d.isRequest("OPTIONS")) << request;
    EXPECT_EQ(request.rfind("OPTIONS sip:127.0.0.1 SIP/2.0\r\n", 0), 0u);
    EXPECT_EQ(d.cseqMethod, "OPTIONS");
    EXPECT_NE(d.topViaBranch, "z9hG4bK.reg");
    EXPECT_EQ(d.topViaBranch.rfind("z9hG4bK", 0), 0u);
    EXPECT_NE(d.callId, "reg-1");
    EXPECT_NE(request.find("Via: SIP/2.0/UDP 127.0.0.1:40000;rport;branch="), std::string::npos);
    EXPECT_NE(request.find("From: <sip:1001@127.0.0.1>;tag="), std::string::npos);
    EXPECT_EQ(request.find("regtag"), std::string::npos);
    EXPECT_EQ(probe.due(t0), "") << "not sent twice at once";

    EXPECT_FALSE(probe.answer("z9hG4bK.reg")) << "the REGISTER's answer is the stack's";
    EXPECT_EQ(probe.take(t0 + 1s), SipProbe::Outcome::None);
    EXPECT_TRUE(probe.answer(d.topViaBranch));
    EXPECT_EQ(probe.due(t0 + 1s), "") << "answered: not sent again";
    EXPECT_EQ(probe.take(t0 + 1s), SipProbe::Outcome::Answered);
    EXPECT_EQ(probe.take(t0 + 1s), SipProbe::Outcome::None) << "told once";

    ASSERT_TRUE(probe.start(t0 + 2s));
    EXPECT_NE(inspectSipDatagram(probe.due(t0 + 2s)).topViaBranch, d.topViaBranch)
        << "a new branch each time";
}

TEST(SipProbe, SendsAgainAsATransactionWouldAndGivesUpAfterFiveSends)
{
    SipProbe probe;
    probe.noteRegister(kRegister);
    const auto t0 = SipProbe::Clock::now();
    ASSERT_TRUE(probe.start(t0));
    std::vector<std::chrono::milliseconds> sent;
    for (auto t = 0ms; t < 20s; t += 100ms) {
        if (!probe.due(t0 + t).empty())
            sent.push_back(t);
        if (probe.take(t0 + t) != SipProbe::Outcome::None) {
            EXPECT_EQ(t, SipProbe::kGiveUp);
            break;
        }
    }
    EXPECT_EQ(sent, (std::vector<std::chrono::milliseconds> { 0ms, 500ms, 1500ms, 3500ms, 7500ms }));
    EXPECT_FALSE(probe.answer(inspectSipDatagram(probe.due(t0)).topViaBranch)) << "too late";
}
