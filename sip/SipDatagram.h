// One SIP datagram as it arrives from the network, looked at before the SIP
// stack parses it.
//
// The SIP stack's parser is not safe against what a remote party can send
// through the provider: an address of a thousand characters crashes the
// stack, a Content-Length beyond the datagram makes it wait minutes for the
// rest, and a very long user part costs it tens of seconds of CPU. A
// datagram is therefore checked here first, in one pass with no allocation
// beyond the few fields the relay needs, against bounds no honest message
// comes near: a message past them is refused (a request other than ACK is
// answered with a 4xx, built by sipRefusal()) or dropped.
//
// Standard C++ only: tested and fuzzed on its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ralu {

struct SipDatagram {
    enum class Kind {
        KeepAlive, // only line ends: a NAT keep-alive
        Request,
        Response,
        Refused, // a request outside the bounds: answer it with sipRefusal()
        Dropped, // nothing to answer: a response, an ACK, or not SIP at all
    };
    Kind kind = Kind::Dropped;
    int refuseCode = 0; // Refused: 400, 413 or 414
    const char *refusePhrase = "";

    std::string method; // Request (and Refused): the request's method
    int status = 0; // Response: its status code
    std::string callId;
    std::string cseqMethod;
    std::string topViaBranch;
    bool hasToTag = false;

    bool isRequest(std::string_view m) const { return kind == Kind::Request && method == m; }
};

// The bounds. A telephone number and a SIP address fit many times over.
struct SipBounds {
    static constexpr std::size_t kMaxStartLine = 512;
    static constexpr std::size_t kMaxHeaderLine = 2048; // one header, folded lines joined
    static constexpr std::size_t kMaxAddressHeader = 512; // From, To, Contact, Refer-To...
    static constexpr std::size_t kMaxHeaders = 100;
    static constexpr std::size_t kMaxHeaderBytes = 16 * 1024;
    static constexpr std::size_t kMaxBody = 32 * 1024;
};

SipDatagram inspectSipDatagram(std::string_view data);

// A final response to request, made from its own Via, From, To, Call-ID and
// CSeq headers (the To gets a tag when it has none). Empty when the request
// lacks one of them, or the response would not fit in a datagram.
std::string sipRefusal(std::string_view request, int code, std::string_view phrase);

} // namespace ralu
