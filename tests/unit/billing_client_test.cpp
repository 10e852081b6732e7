// The balance and credit-time queries over a fake HTTP client: the requests
// exactly as they go out, and what every kind of reply does to the balance
// label and to the remaining talk time.
#include "account/BillingClient.h"
#include "qt_printers.h"

#include <deque>
#include <gtest/gtest.h>

using namespace ralu;

namespace {

// Hands out scripted replies in order and keeps every request.
class FakeHttp : public HttpClient {
public:
    std::vector<HttpRequest> requests;
    std::deque<HttpReply> replies;

    HttpReply send(const HttpRequest &request) override
    {
        requests.push_back(request);
        if (replies.empty())
            return {}; // nothing scripted: no reply
        HttpReply r = replies.front();
        replies.pop_front();
        return r;
    }
};

HttpReply ok(const QByteArray &body)
{
    return HttpReply { true, 200, body };
}
HttpReply status(int code, const QByteArray &body = "<html><body>error</body></html>")
{
    return HttpReply { true, code, body };
}
HttpReply none()
{
    return HttpReply {};
}

struct BillingFixture : ::testing::Test {
    FakeHttp http;
    LoginValues login;
    BillingClient billing { http, QStringLiteral("http://127.0.0.1:8088"), login };

    void SetUp() override
    {
        login.strAccountNumber = QStringLiteral("1001");
        login.strUserName = QStringLiteral("1001");
        billing.setUserLocale(QLocale::c());
    }

    // The label after one balance query, starting from before.
    QString labelAfter(const HttpReply &reply, const QString &before = QStringLiteral("Balance :9.99"))
    {
        http.replies.push_back(reply);
        const std::optional<QString> text = billing.updateBalance();
        return text ? *text : before;
    }

    BillingClient::CreditTime creditAfter(const HttpReply &reply, double currentSeconds = 0)
    {
        http.replies.push_back(reply);
        return billing.queryCreditTime(currentSeconds);
    }
};

::testing::AssertionResult isTime(const BillingClient::CreditTime &t, double h, double m, double s)
{
    if (t.hours == h && t.minutes == m && t.seconds == s)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
        << t.hours << "/" << t.minutes << "/" << t.seconds << ", expected " << h << "/" << m << "/" << s;
}

} // namespace

// ------------------------------------------------------------ the requests

TEST_F(BillingFixture, BalanceRequestIsAPlainGetWithThePinInTheQuery)
{
    billing.updateBalance();
    ASSERT_EQ(http.requests.size(), 1u);
    const HttpRequest &r = http.requests[0];
    EXPECT_EQ(r.method, QByteArray("GET"));
    EXPECT_EQ(r.url, QByteArray("http://127.0.0.1:8088/customer/account/showaccountbalance1.aspx?pin=1001"));
    EXPECT_TRUE(r.headers.isEmpty());
    EXPECT_TRUE(r.body.isEmpty());

    // Blanks around the account number are left out; the user name is not
    // what this query sends.
    login.strAccountNumber = QStringLiteral("  2002\t ");
    login.strUserName = QStringLiteral("9999");
    billing.updateBalance();
    EXPECT_EQ(http.requests[1].url,
        QByteArray("http://127.0.0.1:8088/customer/account/showaccountbalance1.aspx?pin=2002"));
}

TEST_F(BillingFixture, CreditTimeRequestIsAFormPostOfTheUserName)
{
    login.strAccountNumber = QStringLiteral("9999");
    billing.queryCreditTime(0);
    ASSERT_EQ(http.requests.size(), 1u);
    const HttpRequest &r = http.requests[0];
    EXPECT_EQ(r.method, QByteArray("POST"));
    EXPECT_EQ(r.url, QByteArray("http://127.0.0.1:8088/customer/account/GetCreditTime.aspx"));
    ASSERT_EQ(r.headers.size(), 1);
    EXPECT_EQ(r.headers[0].first, QByteArray("Content-Type"));
    EXPECT_EQ(r.headers[0].second, QByteArray("application/x-www-form-urlencoded"));
    EXPECT_EQ(r.body, QByteArray("pin=1001"));
}

TEST_F(BillingFixture, PinsArePercentEncodedSoOtherCharactersCannotBreakTheRequest)
{
    const QString odd = QStringLiteral("1&x=2#3+4%5 6");
    login.strAccountNumber = odd;
    login.strUserName = odd;
    billing.updateBalance();
    billing.queryCreditTime(0);
    ASSERT_EQ(http.requests.size(), 2u);
    EXPECT_EQ(http.requests[0].url,
        QByteArray(
            "http://127.0.0.1:8088/customer/account/showaccountbalance1.aspx?pin=1%26x%3D2%233%2B4%255%206"));
    EXPECT_EQ(http.requests[1].body, QByteArray("pin=1%26x%3D2%233%2B4%255%206"));

    // The credit-time query sends the user name as it is, blanks included;
    // letters, digits and "-._~" are never encoded; other text goes as UTF-8.
    login.strUserName = QStringLiteral(" 1001 ");
    login.strAccountNumber = QStringLiteral("Ab-9._~\u00e9");
    billing.queryCreditTime(0);
    billing.updateBalance();
    EXPECT_EQ(http.requests[2].body, QByteArray("pin=%201001%20"));
    EXPECT_TRUE(http.requests[3].url.endsWith("?pin=Ab-9._~%C3%A9")) << http.requests[3].url.toStdString();
}

TEST_F(BillingFixture, BaseAddressIsUsedAsGiven)
{
    FakeHttp other;
    BillingClient elsewhere(other, QStringLiteral("http://127.0.0.1:9/billing"), login);
    elsewhere.updateBalance();
    elsewhere.queryCreditTime(0);
    ASSERT_EQ(other.requests.size(), 2u);
    EXPECT_EQ(other.requests[0].url,
        QByteArray("http://127.0.0.1:9/billing/customer/account/showaccountbalance1.aspx?pin=1001"));
    EXPECT_EQ(
        other.requests[1].url, QByteArray("http://127.0.0.1:9/billing/customer/account/GetCreditTime.aspx"));
}

// ------------------------------------------------------------ balance label

TEST_F(BillingFixture, AmountBetweenTheTagsIsShownAsSent)
{
    EXPECT_EQ(labelAfter(ok(
                  "<html><body><table><tr><td><amount>12.50</amount> USD</td></tr></table></body></html>")),
        QStringLiteral("Balance :12.50"));
    EXPECT_EQ(labelAfter(ok("<amount> 12.50 </amount>")), QStringLiteral("Balance : 12.50 "));
    EXPECT_EQ(labelAfter(ok("<amount>-3,40 EUR</amount>")), QStringLiteral("Balance :-3,40 EUR"));
    // The first pair counts.
    EXPECT_EQ(labelAfter(ok("<amount>1</amount><amount>2</amount>")), QStringLiteral("Balance :1"));
    // Tags are matched exactly, case included.
    EXPECT_EQ(labelAfter(ok("<AMOUNT>5</AMOUNT>")), QStringLiteral("Balance :<AMOUNT>5</AMOUNT>"));
    // Empty amount.
    EXPECT_EQ(labelAfter(ok("<amount></amount>")), QStringLiteral("Balance :"));
    // UTF-8 text.
    EXPECT_EQ(labelAfter(ok("<amount>12,50 \xe2\x82\xac</amount>")), QStringLiteral("Balance :12,50 \u20ac"));
}

TEST_F(BillingFixture, UnknownAccountShowsZero)
{
    EXPECT_EQ(labelAfter(ok("<html><amount>Account does not exist.</amount></html>")),
        QStringLiteral("Balance :0.00"));
    EXPECT_EQ(labelAfter(ok("Account does not exist.")), QStringLiteral("Balance :0.00"));
    // Anything but the exact text is shown as it is.
    EXPECT_EQ(labelAfter(ok("<amount> Account does not exist.</amount>")),
        QStringLiteral("Balance : Account does not exist."));
    EXPECT_EQ(labelAfter(ok("Account does not exist.\r\n")),
        QStringLiteral("Balance :Account does not exist.\r\n"));
}

TEST_F(BillingFixture, MissingTagsShowWhatIsThere)
{
    // No closing tag: everything after the opening one.
    EXPECT_EQ(labelAfter(ok("<html><amount>7")), QStringLiteral("Balance :7"));
    EXPECT_EQ(labelAfter(ok("<amount>7</body>")), QStringLiteral("Balance :7</body>"));
    EXPECT_EQ(labelAfter(ok("<amount>")), QStringLiteral("Balance :"));
    // No opening tag: the whole reply, cut at a closing tag if there is one.
    EXPECT_EQ(
        labelAfter(ok("Your balance is 3.00 USD")), QStringLiteral("Balance :Your balance is 3.00 USD"));
    EXPECT_EQ(labelAfter(ok("4.10</amount> left")), QStringLiteral("Balance :4.10"));
}

TEST_F(BillingFixture, AmountIsShownBoundedAndPrintable)
{
    const QString cut = QString(BillingClient::kMaxAmountChars, QLatin1Char('9')) + QChar(0x2026);
    const QString bad = QString(QChar::ReplacementCharacter);
    const struct {
        QByteArray body;
        QString label;
    } cases[] = {
        { QByteArray("<amount>1") + char(0) + "2</amount>", "Balance :1" + bad + "2" },
        { "<amount>\x1b[31m5\x7f</amount>", "Balance :" + bad + "[31m5" + bad },
        { "<amount>5\xe2\x80\xae"
          "00</amount>",
            "Balance :5" + bad + "00" }, // right-to-left override
        { "<amount>\xff\xfe"
          "5</amount>",
            "Balance :" + bad + bad + "5" },
        { "<amount>\xf0\x9f\x92\xb6 5\t</amount>", QStringLiteral("Balance :\U0001F4B6 5\t") },
        { "<amount>" + QByteArray(5000, '9') + "</amount>", "Balance :" + cut },
        { QByteArray(5000, '9'), "Balance :" + cut },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.body.left(40).toStdString());
        EXPECT_EQ(labelAfter(ok(c.body)), c.label);
    }
    // A reply longer than any reply taken is no reply.
    EXPECT_EQ(labelAfter(ok("<amount>1</amount>" + QByteArray(HttpClient::kMaxReplyBytes, ' '))),
        QStringLiteral("Balance :9.99"));
}

TEST_F(BillingFixture, ErrorStatusEmptiesTheLabel)
{
    EXPECT_EQ(labelAfter(status(404)), QString());
    EXPECT_EQ(labelAfter(status(500, "<amount>12.50</amount>")), QString())
        << "the text of an error is never read";
    EXPECT_EQ(labelAfter(status(302, "")), QString());
    EXPECT_EQ(labelAfter(status(204, "")), QString());
}

TEST_F(BillingFixture, NoReplyOrAnEmptyReplyLeavesTheLabel)
{
    EXPECT_EQ(labelAfter(none(), QStringLiteral("Balance :9.99")), QStringLiteral("Balance :9.99"));
    EXPECT_EQ(labelAfter(ok(""), QStringLiteral("Balance :9.99")), QStringLiteral("Balance :9.99"));
    EXPECT_EQ(labelAfter(ok(""), QStringLiteral("EXITING")), QStringLiteral("EXITING"));
    EXPECT_FALSE(BillingClient::balanceLabel(none()).has_value());
    EXPECT_FALSE(BillingClient::balanceLabel(ok("")).has_value());
    EXPECT_EQ(http.requests.size(), 3u) << "every query goes out, whatever came back before";
}

// -------------------------------------------------------------- credit time

TEST_F(BillingFixture, SecondsAreSplitIntoHoursMinutesAndSeconds)
{
    EXPECT_TRUE(isTime(creditAfter(ok("59")), 0, 0, 59));
    EXPECT_TRUE(isTime(creditAfter(ok("60")), 0, 1, 0));
    EXPECT_TRUE(isTime(creditAfter(ok("3600")), 1, 0, 0));
    EXPECT_TRUE(isTime(creditAfter(ok("3599")), 0, 59, 59));
    EXPECT_TRUE(isTime(creditAfter(ok("3725")), 1, 2, 5));
    EXPECT_TRUE(isTime(creditAfter(ok("0")), 0, 0, 0));
    EXPECT_TRUE(isTime(creditAfter(ok("360000")), 100, 0, 0));
    EXPECT_TRUE(isTime(creditAfter(ok(" 3725\r\n")), 1, 2, 5)) << "blanks and line ends around the number";
    EXPECT_TRUE(isTime(creditAfter(ok("+90")), 0, 1, 30));
    EXPECT_TRUE(isTime(creditAfter(ok("3.6e3")), 1, 0, 0));
    EXPECT_TRUE(isTime(creditAfter(ok("-0")), 0, 0, 0));
}

TEST_F(BillingFixture, FractionsRoundToTheNearestSecondHalvesToEven)
{
    EXPECT_TRUE(isTime(creditAfter(ok("3599.5")), 1, 0, 0));
    EXPECT_TRUE(isTime(creditAfter(ok("2.5")), 0, 0, 2));
    EXPECT_TRUE(isTime(creditAfter(ok("3.5")), 0, 0, 4));
    EXPECT_TRUE(isTime(creditAfter(ok("0.5")), 0, 0, 0));
    EXPECT_TRUE(isTime(creditAfter(ok("1.5")), 0, 0, 2));
    EXPECT_TRUE(isTime(creditAfter(ok("59.4999")), 0, 0, 59));
    EXPECT_TRUE(isTime(creditAfter(ok("59.5001")), 0, 1, 0));
    EXPECT_TRUE(isTime(creditAfter(ok(".5")), 0, 0, 0));
}

TEST_F(BillingFixture, NumbersInTheUsersFormatAreReadAfterTheServersOwn)
{
    billing.setUserLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_TRUE(isTime(creditAfter(ok("3599,5")), 1, 0, 0));
    EXPECT_TRUE(isTime(creditAfter(ok("3725,4")), 1, 2, 5));
    // A dot is the server's decimal point, never a German group separator.
    EXPECT_TRUE(isTime(creditAfter(ok("3725.4")), 1, 2, 5));
    EXPECT_TRUE(isTime(creditAfter(ok("3.599,5")), 1, 0, 0));

    billing.setUserLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_TRUE(isTime(creditAfter(ok("3,725")), 1, 2, 5));

    // The same text in a German locale is three and a bit seconds.
    billing.setUserLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_TRUE(isTime(creditAfter(ok("3,725")), 0, 0, 4));
}

TEST_F(BillingFixture, WithoutAReplyThePreviousReplyIsReadAgain)
{
    EXPECT_TRUE(isTime(creditAfter(ok("3725"), 11), 1, 2, 5));
    EXPECT_TRUE(isTime(creditAfter(none(), 11), 1, 2, 5));
    EXPECT_TRUE(isTime(creditAfter(none(), 11), 1, 2, 5));
    EXPECT_EQ(billing.lastCreditReply(), std::optional<QString>(QStringLiteral("3725")));
    EXPECT_EQ(http.requests.size(), 3u) << "each query still asks the server";
}

TEST_F(BillingFixture, OnlyANumberWithStatus200ReplacesTheLastGoodReply)
{
    const HttpReply notGood[] = {
        ok(""),
        ok(" \r\n"),
        ok("Account does not exist."),
        ok("12 seconds"),
        ok("1e400"),
        ok("-500"), // no talk time is below zero
        ok("-5"),
        ok("-0.4"),
        ok("3599" + QByteArray(HttpClient::kMaxReplyBytes, ' ')), // longer than any reply taken
        status(500, "61"),
        status(404),
        none(),
    };
    EXPECT_TRUE(isTime(creditAfter(ok("3725"), 11), 1, 2, 5));
    for (const HttpReply &reply : notGood) {
        SCOPED_TRACE(reply.body.left(40).toStdString());
        EXPECT_TRUE(isTime(creditAfter(reply, 11), 1, 2, 5));
        EXPECT_EQ(billing.lastCreditReply(), std::optional<QString>(QStringLiteral("3725")));
    }
    EXPECT_TRUE(isTime(creditAfter(ok("61"), 11), 0, 1, 1));
}

TEST_F(BillingFixture, NoNumberSplitsTheSecondsTheCountdownHolds)
{
    // No reply has ever come: the current seconds are split.
    EXPECT_TRUE(isTime(creditAfter(none(), 0), 0, 0, 0));
    EXPECT_FALSE(billing.lastCreditReply().has_value());
    EXPECT_TRUE(isTime(creditAfter(none(), 125), 0, 2, 5));

    EXPECT_TRUE(isTime(creditAfter(ok("Account does not exist."), 42), 0, 0, 42));
    // Still no number to fall back on.
    EXPECT_TRUE(isTime(creditAfter(none(), 7), 0, 0, 7));
    EXPECT_TRUE(isTime(creditAfter(ok(""), 3), 0, 0, 3));
    EXPECT_TRUE(isTime(creditAfter(status(404), 58.5), 0, 0, 58)) << "rounded half to even";
    EXPECT_TRUE(isTime(creditAfter(ok("12 seconds"), 9), 0, 0, 9));
    EXPECT_TRUE(isTime(creditAfter(ok("1e400"), 9), 0, 0, 9)) << "out of range";
    EXPECT_TRUE(isTime(creditAfter(ok("nan"), 9), 0, 0, 9));
    EXPECT_TRUE(isTime(creditAfter(ok("-500"), 9), 0, 0, 9)) << "below zero";
    EXPECT_TRUE(isTime(creditAfter(ok("inf"), 9), 0, 0, 9));
    EXPECT_TRUE(isTime(creditAfter(ok("3000000000"), 9), 0, 0, 9)) << "whole seconds beyond 32 bits";
    EXPECT_TRUE(isTime(creditAfter(ok("2147483647"), 9), 596523, 14, 7));
}
