// A datagram from the network, as the SIP edge looks at it before the SIP
// stack does.
//
// Input: the datagram, whole. Invariants: the verdict is the same when the
// datagram is looked at again; what the edge lets through has the fields it
// routes by within bounds; a refusal it would send is itself a response with
// that status, for the same call, that fits in a datagram.
#include "FuzzSupport.h"

#include "sip/SipDatagram.h"

using namespace ralu;
using Kind = SipDatagram::Kind;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const SipDatagram d = inspectSipDatagram(bytes);
    const SipDatagram again = inspectSipDatagram(bytes);
    FUZZ_CHECK(d.kind == again.kind && d.refuseCode == again.refuseCode && d.callId == again.callId);
    if (d.kind == Kind::Request || d.kind == Kind::Response) {
        FUZZ_CHECK(!d.callId.empty() && d.callId.size() <= SipBounds::kMaxAddressHeader);
        FUZZ_CHECK(!d.cseqMethod.empty() && d.cseqMethod.size() <= 32);
    }
    if (d.kind == Kind::Refused) {
        FUZZ_CHECK(d.refuseCode >= 400 && d.refuseCode < 500 && d.method != "ACK");
        const std::string answer = sipRefusal(bytes, d.refuseCode, d.refusePhrase);
        if (!answer.empty()) {
            const SipDatagram r = inspectSipDatagram(answer);
            FUZZ_CHECK(answer.size() <= 60000);
            FUZZ_CHECK(r.kind != Kind::Request && r.kind != Kind::KeepAlive);
            if (r.kind == Kind::Response)
                FUZZ_CHECK(r.status == d.refuseCode && (d.callId.empty() || r.callId == d.callId));
        }
    }
    return 0;
}
