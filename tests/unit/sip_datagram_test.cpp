// What the SIP edge makes of a datagram before the SIP stack sees it: the
// bounds a remote party cannot pass, and the answer to what it refuses.
#include "sip/SipDatagram.h"

#include <gtest/gtest.h>

#include <string>

using namespace ralu;
using Kind = SipDatagram::Kind;

namespace {

std::string message(const std::string &startLine, const std::string &from, const std::string &extra = {},
    const std::string &body = {}, const std::string &to = "<sip:1001@127.0.0.1>")
{
    return startLine + "\r\nVia: SIP/2.0/UDP 127.0.0.1:5060;branch=z9hG4bKabc;rport\r\n"
        + "Via: SIP/2.0/UDP 127.0.0.1:5070;branch=z9hG4bKdef\r\nFrom: " + from + ";tag=f1\r\nTo: " + to
        + "\r\nCall-ID: c1@host\r\nCSeq: 7 INVITE\r\n" + extra
        + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

const std::string kInvite = "INVITE sip:1001@127.0.0.1:40000 SIP/2.0";
const std::string kFrom = "\"Alice\" <sip:1002@127.0.0.1>";

} // namespace

TEST(SipDatagram, BoundsAndShapes)
{
    const std::string longName = "\"" + std::string(1100, 'A') + "\" <sip:1002@127.0.0.1>";
    const std::string longUser = "INVITE sip:" + std::string(20000, '1') + "@127.0.0.1 SIP/2.0";
    const std::string bigHeader = "X-Big: " + std::string(60 * 1024, 'x') + "\r\n";
    std::string cutLength = message(kInvite, kFrom, {}, "v=0\r\n");
    cutLength.replace(cutLength.find("Content-Length: 5"), 17, "Content-Length: 99999");
    const struct {
        const char *name;
        std::string data;
        Kind kind;
        int code;
    } cases[] = {
        { "invite", message(kInvite, kFrom, {}, "v=0\r\n"), Kind::Request, 0 },
        { "response", message("SIP/2.0 200 OK", kFrom, {}, {}, "<sip:1001@127.0.0.1>;tag=t9"), Kind::Response,
            0 },
        { "keep-alive", "\r\n\r\n", Kind::KeepAlive, 0 },
        { "not sip", std::string("\x80\x00\x01\x02", 4), Kind::Dropped, 0 },
        { "no request-uri", message("ACK  SIP/2.0", kFrom), Kind::Dropped, 0 },
        { "long display name", message(kInvite, longName), Kind::Refused, 400 },
        { "long user part", message(longUser, kFrom), Kind::Refused, 414 },
        { "60 KB header", message(kInvite, kFrom, bigHeader), Kind::Refused, 400 },
        { "length beyond datagram", cutLength, Kind::Refused, 400 },
        { "no end of headers", kInvite + "\r\nVia: SIP/2.0/UDP 127.0.0.1\r\n", Kind::Refused, 400 },
        { "control character", message(kInvite, "<sip:1002\x0b@127.0.0.1>"), Kind::Refused, 400 },
        { "open quote", message(kInvite, "\"Alice <sip:1002@127.0.0.1>"), Kind::Refused, 400 },
        { "not an address", message(kInvite, "1002"), Kind::Refused, 400 },
        { "big body", message(kInvite, kFrom, {}, std::string(40000, 'b')), Kind::Refused, 413 },
        { "oversized ack", message("ACK sip:1001@127.0.0.1 SIP/2.0", longName), Kind::Dropped, 0 },
        { "oversized response", message("SIP/2.0 180 Ringing", longName), Kind::Dropped, 0 },
    };
    for (const auto &c : cases) {
        const SipDatagram d = inspectSipDatagram(c.data);
        EXPECT_EQ(int(d.kind), int(c.kind)) << c.name;
        EXPECT_EQ(d.refuseCode, c.code) << c.name;
    }
}

TEST(SipDatagram, ReadsWhatTheRelayRoutesBy)
{
    const SipDatagram d = inspectSipDatagram(
        message("BYE sip:1001@127.0.0.1 SIP/2.0", kFrom, {}, {}, "\"x;tag=no\" <sip:1001@127.0.0.1;tag=no>"));
    EXPECT_TRUE(d.isRequest("BYE"));
    EXPECT_EQ(d.callId, "c1@host");
    EXPECT_EQ(d.cseqMethod, "INVITE");
    EXPECT_EQ(d.topViaBranch, "z9hG4bKabc");
    EXPECT_FALSE(d.hasToTag); // a tag inside the quotes or the address is not the To's tag
    EXPECT_TRUE(inspectSipDatagram(message(kInvite, kFrom, {}, {}, "<sip:1001@127.0.0.1>;tag=9")).hasToTag);
}

TEST(SipDatagram, RefusalAnswersTheRequestItself)
{
    const std::string refusal = sipRefusal(message(kInvite, kFrom), 400, "Header Too Long");
    const SipDatagram d = inspectSipDatagram(refusal);
    ASSERT_EQ(int(d.kind), int(Kind::Response));
    EXPECT_EQ(d.status, 400);
    EXPECT_EQ(refusal.rfind("SIP/2.0 400 Header Too Long\r\n", 0), 0u);
    EXPECT_NE(refusal.find("Via: SIP/2.0/UDP 127.0.0.1:5060;branch=z9hG4bKabc;rport\r\nVia: SIP/2.0/UDP "
                           "127.0.0.1:5070;branch=z9hG4bKdef\r\n"),
        std::string::npos);
    EXPECT_TRUE(d.hasToTag);
    EXPECT_EQ(d.callId, "c1@host");
    EXPECT_EQ(d.cseqMethod, "INVITE");
    std::string noCallId = message(kInvite, kFrom);
    noCallId.erase(noCallId.find("Call-ID"), std::string("Call-ID: c1@host\r\n").size());
    EXPECT_EQ(sipRefusal(noCallId, 400, "Missing Header"), "");
}
