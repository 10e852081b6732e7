#include "engine/ProvisioningProfile.h"

#include <gtest/gtest.h>

using namespace ralu;

TEST(ProvisioningProfile, PlainValuesGiveTheExactText)
{
    const std::string xml = buildProvisioningProfile("1234", "1234", "secret", "10.0.0.1");
    EXPECT_EQ(xml,
        "<provision key=\"3f1c2a7e-9b40-4d8e-a6c5-1e7b9d204f63\" name=\"1234\" expires=\"600\">"
        "<user account=\"1234\" name=\"1234\" password=\"secret\" uri=\"sip:1234@10.0.0.1\" /> "
        "<sipsrv addr=\"10.0.0.1\" protocol=\"UDP\" auth=\"digest\" role=\"registrar\">"
        "<session party=\"first\" type=\"pc2ph\" /></sipsrv>"
        "<sipsrv addr=\"10.0.0.1\" protocol=\"UDP\" auth=\"digest\" role=\"proxy\">"
        "<session party=\"first\" type=\"pc2ph\" /></sipsrv>"
        "<provider calldisplay=\"sip:1234@10.0.0.1\" /></provision>");
    // One line, and no port anywhere.
    EXPECT_EQ(xml.find('\n'), std::string::npos);
    EXPECT_EQ(xml.find("10.0.0.1:"), std::string::npos);
}

TEST(ProvisioningProfile, SpecialCharactersAreEscapedAndReadBackWhole)
{
    const std::string password = "p\"w<&>'d";
    const std::string xml = buildProvisioningProfile("1003", "Ann & Bob", password, "127.0.0.1");
    EXPECT_NE(xml.find("password=\"p&quot;w&lt;&amp;&gt;&apos;d\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("name=\"Ann &amp; Bob\""), std::string::npos);

    const auto account = parseProvisioningProfile(xml);
    ASSERT_TRUE(account.has_value());
    EXPECT_EQ(account->password, password);
    EXPECT_EQ(account->displayName, "Ann & Bob");
}

TEST(ProvisioningProfile, ParsesTheAccountAUserAgentNeeds)
{
    const auto account
        = parseProvisioningProfile(buildProvisioningProfile("1001", "Desk", "demo1001", "127.0.0.1"));
    ASSERT_TRUE(account.has_value());
    EXPECT_EQ(account->key, kProfileKey);
    EXPECT_EQ(account->userName, "1001");
    EXPECT_EQ(account->displayName, "Desk");
    EXPECT_EQ(account->password, "demo1001");
    EXPECT_EQ(account->userUri, "sip:1001@127.0.0.1");
    EXPECT_EQ(account->registrar, "127.0.0.1");
    EXPECT_EQ(account->registrarProtocol, "UDP");
    EXPECT_EQ(account->registrarAuth, "digest");
    EXPECT_EQ(account->proxy, "127.0.0.1");
    EXPECT_EQ(account->proxyProtocol, "UDP");
    EXPECT_EQ(account->expires, 600);
}

TEST(ProvisioningProfile, RefusesBrokenText)
{
    // What an unescaped quote in a password used to produce.
    EXPECT_FALSE(
        parseProvisioningProfile("<provision key=\"k\" name=\"1\" expires=\"600\"><user account=\"1\" "
                                 "password=\"a\"b\" /></provision>"));
    EXPECT_FALSE(parseProvisioningProfile(""));
    EXPECT_FALSE(parseProvisioningProfile("<provision expires=\"600\"></provision>")); // no user, no server
    std::string noLifetime = buildProvisioningProfile("1", "1", "p", "127.0.0.1");
    noLifetime.replace(noLifetime.find("expires=\"600\""), 13, "expires=\"x\"");
    EXPECT_FALSE(parseProvisioningProfile(noLifetime));
}
