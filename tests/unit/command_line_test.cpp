#include "app/CommandLine.h"
#include "calls/LinkNumber.h"

#include <gtest/gtest.h>

using ralu::CommandLine;
using ralu::numberFromLink;

TEST(LinkNumber, LinksAndBareNumbersGiveWhatTheNumberBoxDials)
{
    const struct {
        const char *given;
        const char *number; // nullptr: refused
    } cases[] = {
        { "tel:+44-20-7946-0000", "442079460000" },
        { "TEL:+1 (555) 123.4567;phone-context=example.com", "15551234567" },
        { "tel:%2B4420%207946", "44207946" },
        { "sip:5551234@127.0.0.1;user=phone", "5551234" },
        { "sips:*98@host?subject=x", "*98" },
        { "callto:5551234", "5551234" },
        { "callto://+4420123", "4420123" },
        { " 0049 30 1234 ", "0049301234" },
        { "sip:alice@example.com", nullptr },
        { "tel:123#", nullptr },
        { "12+34", nullptr },
        { "http:5551234", nullptr },
        { "tel:", nullptr },
        { "١٢٣", nullptr }, // digits of another script
        { "12345678901234567890123456789012345678901234567890123456789012345", nullptr },
    };
    for (const auto &c : cases) {
        const std::optional<QString> got = numberFromLink(QString::fromUtf8(c.given));
        if (c.number)
            EXPECT_EQ(got.value_or(QStringLiteral("<none>")), QString::fromUtf8(c.number)) << c.given;
        else
            EXPECT_FALSE(got.has_value()) << c.given << " gave " << got->toStdString();
    }
}

TEST(CommandLine, OptionsNumbersAndQtsOwnArguments)
{
    using A = CommandLine::Action;
    const struct {
        QStringList args;
        A action;
        const char *number;
        bool sipLog;
    } cases[] = {
        { {}, A::Run, "", false },
        { { "tel:+4420" }, A::Run, "4420", false },
        { { "--sip-log", "5551234" }, A::Run, "5551234", true },
        { { "-platform", "xcb", "5551234", "-reverse" }, A::Run, "5551234", false },
        { { "5551234", "--help" }, A::Help, "", false },
        { { "--version" }, A::Version, "", false },
        { { "--dial" }, A::Error, "", false },
        { { "555", "666" }, A::Error, "", false },
        { { "sip:alice@host" }, A::Error, "", false },
    };
    for (const auto &c : cases) {
        const CommandLine line = CommandLine::parse(c.args);
        const std::string what = c.args.join(' ').toStdString();
        EXPECT_EQ(line.action, c.action) << what;
        EXPECT_EQ(line.action == A::Error, !line.error.isEmpty()) << what;
        if (c.action == A::Run) {
            EXPECT_EQ(line.number, QString::fromUtf8(c.number)) << what;
            EXPECT_EQ(line.sipLog, c.sipLog) << what;
        }
    }
}
