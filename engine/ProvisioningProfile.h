// The provisioning profile: the XML text that describes the one SIP account
// Ralu registers (registrar and proxy, user, password, display name,
// registration lifetime).
#pragma once

#include <optional>
#include <string>

namespace ralu {

// Fixed key of every profile Ralu builds.
constexpr const char *kProfileKey = "3f1c2a7e-9b40-4d8e-a6c5-1e7b9d204f63";

// Builds the one-line profile text. Values are XML-escaped (& < > " '), so a
// password such as a"b<c&d survives; plain values appear exactly as given.
std::string buildProvisioningProfile(const std::string &userName, const std::string &displayName,
    const std::string &password, const std::string &server);

// What a user agent needs from a profile text.
struct ProfileAccount {
    std::string key;
    std::string userName; // provision@name, user@account
    std::string displayName; // user@name
    std::string password; // user@password
    std::string userUri; // user@uri, sip:U@S
    std::string registrar; // sipsrv[role=registrar]@addr
    std::string registrarProtocol;
    std::string registrarAuth;
    std::string proxy; // sipsrv[role=proxy]@addr
    std::string proxyProtocol;
    std::string proxyAuth;
    int expires = 0; // provision@expires, seconds
};

// Reads a profile text; empty when it is not well-formed XML or lacks the
// user element, a registrar or a positive lifetime.
std::optional<ProfileAccount> parseProvisioningProfile(const std::string &xml);

} // namespace ralu
