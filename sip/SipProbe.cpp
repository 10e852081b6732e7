#include "sip/SipProbe.h"

#include <algorithm>
#include <cctype>

namespace ralu {

namespace {

constexpr std::chrono::milliseconds kT1 { 500 };
constexpr std::chrono::milliseconds kT2 { 4000 };

std::string lower(std::string_view s)
{
    std::string out(s);
    std::transform(
        out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// value with its parameter name (";name=...") replaced by ";name=newValue".
std::string withParam(std::string_view value, std::string_view name, const std::string &newValue)
{
    std::string out(value);
    const std::string key = ";" + std::string(name) + "=";
    const std::size_t at = lower(out).find(key);
    if (at != std::string::npos) {
        const std::size_t end = out.find(';', at + 1);
        out.erase(at, end == std::string::npos ? std::string::npos : end - at);
    }
    return out + key + newValue;
}

} // namespace

SipProbe::SipProbe()
    : m_random(std::random_device {}())
{
    m_callId = token() + token();
}

std::string SipProbe::token()
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (std::uint64_t v = m_random(), i = 0; i < 16; ++i, v >>= 4)
        out += kHex[v & 15];
    return out;
}

void SipProbe::noteRegister(std::string_view request)
{
    const std::size_t lineEnd = request.find("\r\n");
    const std::string_view first = request.substr(0, lineEnd);
    const std::size_t a = first.find(' '), b = first.rfind(' ');
    if (lineEnd == std::string_view::npos || a == std::string_view::npos || b <= a + 1)
        return;
    std::string via, from, to;
    for (std::size_t at = lineEnd + 2; at < request.size();) {
        std::size_t end = request.find("\r\n", at);
        if (end == std::string_view::npos)
            end = request.size();
        const std::string_view line = request.substr(at, end - at);
        if (line.empty())
            break;
        at = end + 2;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string name = lower(trimmed(line.substr(0, colon)));
        const std::string_view value = trimmed(line.substr(colon + 1));
        if ((name == "via" || name == "v") && via.empty())
            via = std::string(value.substr(0, value.find(',')));
        else if (name == "from" || name == "f")
            from = value;
        else if (name == "to" || name == "t")
            to = value;
    }
    if (via.empty() || from.empty() || to.empty())
        return;
    m_requestUri = first.substr(a + 1, b - a - 1);
    m_via = std::move(via);
    m_from = std::move(from);
    m_to = std::move(to);
}

bool SipProbe::start(Clock::time_point now)
{
    if (m_requestUri.empty())
        return false;
    if (m_running)
        return true;
    m_running = true;
    m_answered = false;
    m_branch = "z9hG4bK." + token();
    m_request = "OPTIONS " + m_requestUri + " SIP/2.0\r\nVia: " + withParam(m_via, "branch", m_branch)
        + "\r\nFrom: " + withParam(m_from, "tag", token()) + "\r\nTo: " + m_to + "\r\nCall-ID: " + m_callId
        + "\r\nCSeq: " + std::to_string(++m_cseq)
        + " OPTIONS\r\nMax-Forwards: 70\r\nContent-Length: 0\r\n\r\n";
    m_started = m_nextSend = now;
    m_wait = kT1;
    return true;
}

std::string SipProbe::due(Clock::time_point now)
{
    if (!m_running || m_answered || now < m_nextSend || now - m_started >= kGiveUp)
        return {};
    m_nextSend = now + m_wait;
    m_wait = std::min<Clock::duration>(m_wait * 2, kT2);
    return m_request;
}

bool SipProbe::answer(std::string_view branch)
{
    if (!m_running || branch != m_branch)
        return false;
    m_answered = true;
    return true;
}

SipProbe::Outcome SipProbe::take(Clock::time_point now)
{
    if (!m_running || (!m_answered && now - m_started < kGiveUp))
        return Outcome::None;
    m_running = false;
    return m_answered ? Outcome::Answered : Outcome::Lost;
}

} // namespace ralu
