#include "sip/SipDatagram.h"

#include <array>
#include <cctype>

namespace ralu {

namespace {

using Kind = SipDatagram::Kind;

bool iequals(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool isTokenChar(char c)
{
    static constexpr std::string_view kMarks = "-.!%*_+`'~";
    return std::isalnum(static_cast<unsigned char>(c)) || kMarks.find(c) != std::string_view::npos;
}

bool isToken(std::string_view s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (!isTokenChar(c))
            return false;
    return true;
}

bool allDigits(std::string_view s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

// Header names the checks care about, their compact forms spelled out.
std::string_view fullName(std::string_view name)
{
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 8> kCompact { {
        { "v", "via" },
        { "f", "from" },
        { "t", "to" },
        { "i", "call-id" },
        { "m", "contact" },
        { "l", "content-length" },
        { "r", "refer-to" },
        { "b", "referred-by" },
    } };
    for (const auto &[compact, full] : kCompact)
        if (iequals(name, compact))
            return full;
    return name;
}

bool isAddressHeader(std::string_view name)
{
    static constexpr std::array<std::string_view, 11> kAddress { "from", "to", "contact", "refer-to",
        "referred-by", "reply-to", "p-asserted-identity", "p-preferred-identity", "remote-party-id",
        "diversion", "p-called-party-id" };
    for (std::string_view a : kAddress)
        if (iequals(name, a))
            return true;
    return false;
}

// name-addr or addr-spec as the stack must be able to read it (From, To):
// a display name in balanced quotes or plain words, the address in angle
// brackets when there is a display name, a sip, sips or tel address.
bool plausibleAddress(std::string_view v)
{
    std::size_t i = 0;
    std::string_view uri = v;
    const std::size_t lt = v.find('<');
    if (!v.empty() && v[0] == '"') {
        for (i = 1; i < v.size() && v[i] != '"'; ++i)
            if (v[i] == '\\')
                ++i;
        if (i >= v.size())
            return false; // no closing quote
        ++i;
        while (i < v.size() && (v[i] == ' ' || v[i] == '\t'))
            ++i;
        if (i >= v.size() || v[i] != '<')
            return false;
    } else if (lt != std::string_view::npos) {
        for (i = 0; i < lt; ++i)
            if (v[i] == '"' || v[i] == '>')
                return false;
        i = lt;
    } else {
        i = std::string_view::npos;
    }
    if (i != std::string_view::npos) {
        const std::size_t gt = v.find('>', i);
        if (gt == std::string_view::npos)
            return false;
        uri = v.substr(i + 1, gt - i - 1);
    }
    uri = trim(uri);
    const std::size_t colon = uri.find(':');
    if (colon == std::string_view::npos)
        return false;
    const std::string_view scheme = uri.substr(0, colon);
    return iequals(scheme, "sip") || iequals(scheme, "sips") || iequals(scheme, "tel");
}

// The value of parameter name (";name=value") in params, "" when absent.
std::string_view parameter(std::string_view params, std::string_view name)
{
    std::size_t at = 0;
    while ((at = params.find(';', at)) != std::string_view::npos) {
        ++at;
        std::size_t p = at;
        while (p < params.size() && (params[p] == ' ' || params[p] == '\t'))
            ++p;
        if (params.size() - p > name.size() && iequals(params.substr(p, name.size()), name)
            && params[p + name.size()] == '=') {
            const std::size_t start = p + name.size() + 1;
            std::size_t end = start;
            while (end < params.size() && params[end] != ';' && params[end] != ',' && params[end] != ' '
                && params[end] != '\t' && params[end] != '>')
                ++end;
            return params.substr(start, end - start);
        }
    }
    return {};
}

// The parameters after an address: those past its closing '>', or all of
// them for an address without brackets.
std::string_view addressParameters(std::string_view v)
{
    const std::size_t gt = v.rfind('>');
    return gt == std::string_view::npos ? v : v.substr(gt + 1);
}

SipDatagram refuse(SipDatagram d, int code, const char *phrase)
{
    if (d.kind != Kind::Request || d.method == "ACK") {
        d.kind = Kind::Dropped;
        return d;
    }
    d.kind = Kind::Refused;
    d.refuseCode = code;
    d.refusePhrase = phrase;
    return d;
}

bool readStartLine(std::string_view line, SipDatagram &d)
{
    constexpr std::string_view kVersion = "SIP/2.0";
    if (line.size() > kVersion.size() && iequals(line.substr(0, kVersion.size()), kVersion)
        && line[kVersion.size()] == ' ') {
        const std::string_view code = line.substr(kVersion.size() + 1, 3);
        if (code.size() != 3 || !allDigits(code) || code[0] < '1' || code[0] > '6')
            return false;
        d.kind = Kind::Response;
        d.status = (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
        return true;
    }
    const std::size_t sp1 = line.find(' ');
    const std::size_t sp2 = line.rfind(' ');
    if (sp1 == std::string_view::npos || sp2 == sp1 || !isToken(line.substr(0, sp1))
        || !iequals(line.substr(sp2 + 1), kVersion))
        return false;
    // The Request-URI: one word with a scheme.
    const std::string_view uri = line.substr(sp1 + 1, sp2 - sp1 - 1);
    if (uri.empty() || uri.find(' ') != std::string_view::npos || uri.find(':') == std::string_view::npos)
        return false;
    d.kind = Kind::Request;
    d.method = std::string(line.substr(0, sp1));
    return true;
}

} // namespace

SipDatagram inspectSipDatagram(std::string_view data)
{
    SipDatagram d;
    if (!data.empty() && data.find_first_not_of("\r\n") == std::string_view::npos) {
        d.kind = Kind::KeepAlive;
        return d;
    }
    const std::size_t firstEnd = data.find('\n');
    std::string_view startLine = data.substr(0, firstEnd);
    if (!startLine.empty() && startLine.back() == '\r')
        startLine.remove_suffix(1);
    if (!readStartLine(startLine, d))
        return SipDatagram {}; // not SIP: dropped
    if (startLine.size() > SipBounds::kMaxStartLine)
        return refuse(d, 414, "Request-URI Too Long");
    if (firstEnd == std::string_view::npos)
        return refuse(d, 400, "Incomplete Message");

    std::size_t pos = firstEnd + 1;
    std::size_t headers = 0;
    bool haveVia = false, haveFrom = false, haveTo = false, haveContentLength = false;
    std::size_t contentLength = 0;
    std::string_view name; // of the header being read (folded lines join it)
    std::size_t headerLength = 0;
    for (;;) {
        const std::size_t end = data.find('\n', pos);
        if (end == std::string_view::npos)
            return refuse(d, 400, "Incomplete Message"); // no empty line: the headers are cut
        std::string_view line = data.substr(pos, end - pos);
        pos = end + 1;
        if (pos - firstEnd > SipBounds::kMaxHeaderBytes)
            return refuse(d, 400, "Headers Too Long");
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            break;
        for (char c : line)
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f)
                return refuse(d, 400, "Control Character in Header");
        if (line[0] == ' ' || line[0] == '\t') {
            if (name.empty())
                return refuse(d, 400, "Malformed Header");
            headerLength += line.size();
        } else {
            const std::size_t colon = line.find(':');
            if (colon == std::string_view::npos || !isToken(trim(line.substr(0, colon))))
                return refuse(d, 400, "Malformed Header");
            if (++headers > SipBounds::kMaxHeaders)
                return refuse(d, 400, "Too Many Headers");
            name = fullName(trim(line.substr(0, colon)));
            headerLength = line.size();
            const std::string_view value = trim(line.substr(colon + 1));
            if (iequals(name, "via") && !haveVia) {
                haveVia = true;
                d.topViaBranch = std::string(parameter(value.substr(0, value.find(',')), "branch"));
            } else if (iequals(name, "call-id") && d.callId.empty()) {
                d.callId = std::string(value.substr(0, SipBounds::kMaxAddressHeader));
            } else if (iequals(name, "cseq")) {
                const std::size_t sp = value.find(' ');
                if (sp == std::string_view::npos || !allDigits(value.substr(0, sp)))
                    return refuse(d, 400, "Malformed CSeq");
                d.cseqMethod = std::string(trim(value.substr(sp + 1)).substr(0, 32));
            } else if (iequals(name, "content-length")) {
                if (!allDigits(value) || value.size() > 9)
                    return refuse(d, 400, "Malformed Content-Length");
                const std::size_t length = std::stoul(std::string(value));
                if (haveContentLength && length != contentLength)
                    return refuse(d, 400, "Conflicting Content-Length");
                haveContentLength = true;
                contentLength = length;
            } else if (iequals(name, "from") || iequals(name, "to")) {
                if (!plausibleAddress(value))
                    return refuse(d, 400, "Malformed Address");
                (iequals(name, "from") ? haveFrom : haveTo) = true;
                if (iequals(name, "to"))
                    d.hasToTag = !parameter(addressParameters(value), "tag").empty();
            }
        }
        if (headerLength > SipBounds::kMaxHeaderLine
            || (isAddressHeader(name) && headerLength > SipBounds::kMaxAddressHeader))
            return refuse(d, 400, "Header Too Long");
    }
    if (!haveVia || !haveFrom || !haveTo || d.callId.empty() || d.cseqMethod.empty())
        return refuse(d, 400, "Missing Header");
    const std::size_t bodySize = data.size() - pos;
    // A datagram is one whole message: a length beyond it can never be met.
    if (haveContentLength && contentLength > bodySize)
        return refuse(d, 400, "Content-Length Beyond Datagram");
    if ((haveContentLength ? contentLength : bodySize) > SipBounds::kMaxBody)
        return refuse(d, 413, "Request Entity Too Large");
    return d;
}

std::string sipRefusal(std::string_view request, int code, std::string_view phrase)
{
    std::string response = "SIP/2.0 " + std::to_string(code) + " " + std::string(phrase) + "\r\n";
    bool via = false, from = false, to = false, callId = false, cseq = false;
    std::size_t pos = request.find('\n');
    std::string_view kept; // the header being copied, for its folded lines
    while (pos != std::string_view::npos && pos + 1 < request.size()) {
        const std::size_t end = request.find('\n', pos + 1);
        std::string_view line
            = request.substr(pos + 1, end == std::string_view::npos ? std::string_view::npos : end - pos - 1);
        pos = end;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            break;
        if (line[0] == ' ' || line[0] == '\t') {
            if (!kept.empty())
                response.append(line).append("\r\n");
            continue;
        }
        const std::size_t colon = line.find(':');
        const std::string_view name = fullName(trim(line.substr(0, colon)));
        kept = {};
        if (iequals(name, "via"))
            via = true;
        else if (iequals(name, "from") && !from)
            from = true;
        else if (iequals(name, "call-id") && !callId)
            callId = true;
        else if (iequals(name, "cseq") && !cseq)
            cseq = true;
        else if (iequals(name, "to") && !to) {
            to = true;
            response.append(line);
            if (parameter(addressParameters(line.substr(colon + 1)), "tag").empty())
                response.append(";tag=edge");
            response.append("\r\n");
            kept = name;
            continue;
        } else
            continue;
        kept = name;
        response.append(line).append("\r\n");
    }
    if (!via || !from || !to || !callId || !cseq)
        return {};
    response.append("Content-Length: 0\r\n\r\n");
    if (response.size() > 60000)
        return {};
    return response;
}

} // namespace ralu
