// Is the provider there? One OPTIONS request to the registrar, which a
// provider answers at once, with no authentication and nothing written,
// where a REGISTER is authenticated and stored: the cheap way to notice an
// outage between the registration's own refreshes.
//
// The request is made from the last REGISTER the SIP stack sent: the same
// Request-URI, Via (with a branch of its own), From (a tag of its own) and
// To. It is sent again as a non-INVITE client transaction is (T1 0.5 s,
// doubled up to T2 4 s); no answer within kGiveUp, after five sends, counts
// as the provider gone (a transaction would go on to 32 s, but a silence
// that long is not needed to tell). Any response counts as an answer.
//
// Standard C++ only: the edge sends what due() gives and hands back the
// responses; tested with a clock of the test's own.
#pragma once

#include <chrono>
#include <random>
#include <string>
#include <string_view>

namespace ralu {

class SipProbe {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kGiveUp { 11500 };
    enum class Outcome { None, Answered, Lost };

    SipProbe();

    // The stack sent request, a REGISTER: later probes are made from it.
    void noteRegister(std::string_view request);
    // Starts a probe; true also when one is running. False before any
    // REGISTER was noted.
    bool start(Clock::time_point now);
    // The request to send now (the first send or a retransmission), or "".
    std::string due(Clock::time_point now);
    // A response whose top Via has branch: true when it answers the probe.
    bool answer(std::string_view branch);
    // The probe's outcome once known, once; None while it runs or none does.
    Outcome take(Clock::time_point now);

private:
    std::string token();

    std::mt19937_64 m_random;
    std::string m_requestUri, m_via, m_from, m_to, m_callId;
    unsigned m_cseq = 0;
    std::string m_request; // the probe under way
    std::string m_branch;
    bool m_running = false;
    bool m_answered = false;
    Clock::time_point m_started {}, m_nextSend {};
    Clock::duration m_wait {};
};

} // namespace ralu
