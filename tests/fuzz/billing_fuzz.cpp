// Any billing reply, as balance and as talk time: nothing crashes, the
// balance label stays short and printable, and the talk time is a whole
// number of seconds split into hours, minutes and seconds.
//
// Input: the reply body, then from its end: whether a reply came at all,
// its status, the user's locale, and whether the body is repeated past the
// reply size limit.
#include "FuzzSupport.h"

#include "account/BillingClient.h"
#include "account/HttpClient.h"
#include "engine/AppState.h"

#include <QLocale>

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdlib>

using namespace ralu;
using namespace ralu::fuzz;
using CreditTime = BillingClient::CreditTime;

namespace {

class FixedReply : public HttpClient {
public:
    HttpReply reply;
    HttpReply send(const HttpRequest &) override { return reply; }
};

bool operator==(const CreditTime &a, const CreditTime &b)
{
    return a.hours == b.hours && a.minutes == b.minutes && a.seconds == b.seconds;
}

bool printable(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
        return c == '\t' || c == '\r' || c == '\n';
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
        return false;
    default:
        return true;
    }
}

void checkBalance(const HttpReply &reply)
{
    const std::optional<QString> label = BillingClient::balanceLabel(reply);
    if (!reply.received || reply.body.size() > HttpClient::kMaxReplyBytes) {
        FUZZ_CHECK(!label);
        return;
    }
    if (reply.status != 200) {
        FUZZ_CHECK(label && label->isEmpty());
        return;
    }
    if (QString::fromUtf8(reply.body).isEmpty()) {
        FUZZ_CHECK(!label);
        return;
    }
    FUZZ_CHECK(label && label->startsWith(QLatin1String("Balance :")));
    const QString amount = label->mid(9);
    // Whole characters only: no surrogate without its pair.
    for (qsizetype i = 0; i < amount.size(); ++i) {
        if (amount.at(i).isHighSurrogate())
            FUZZ_CHECK(i + 1 < amount.size() && amount.at(++i).isLowSurrogate());
        else
            FUZZ_CHECK(!amount.at(i).isLowSurrogate());
    }
    const QList<uint> chars = amount.toUcs4();
    FUZZ_CHECK(chars.size() <= BillingClient::kMaxAmountChars + 1);
    if (chars.size() == BillingClient::kMaxAmountChars + 1)
        FUZZ_CHECK(chars.last() == 0x2026);
    for (uint c : chars)
        FUZZ_CHECK(printable(c));
}

void checkSplit(double value)
{
    const CreditTime t = BillingClient::split(value);
    for (double part : { t.hours, t.minutes, t.seconds })
        FUZZ_CHECK(std::trunc(part) == part);
    FUZZ_CHECK(std::fabs(t.minutes) <= 59 && std::fabs(t.seconds) <= 59);
    FUZZ_CHECK((t.hours >= 0 && t.minutes >= 0 && t.seconds >= 0)
        || (t.hours <= 0 && t.minutes <= 0 && t.seconds <= 0));
    FUZZ_CHECK(std::fabs(t.hours * 3600 + t.minutes * 60 + t.seconds - value) <= 0.5);
}

// A number as the server writes it reads as the C library reads it.
void checkServerNumber(const QString &text, std::optional<double> value)
{
    const QByteArray t = text.trimmed().toLatin1();
    if (t.isEmpty() || t.size() != text.trimmed().size() || t.contains('\0')
        || t.toStdString().find_first_not_of("0123456789.eE+-") != std::string::npos)
        return;
    errno = 0;
    char *end = nullptr;
    const double expected = std::strtod(t.constData(), &end);
    const bool normal = errno == 0 && (expected == 0 || std::fabs(expected) >= DBL_MIN);
    if (end != t.constData() + t.size() || !normal || std::fabs(expected) > 2147483647.0)
        return;
    if (expected < 0) // no talk time is below zero
        FUZZ_CHECK(!value);
    else
        FUZZ_CHECK(value && *value == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QLocale locales[] = {
        QLocale::c(),
        QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::English, QLocale::UnitedStates),
        QLocale(QLocale::French, QLocale::Switzerland),
        QLocale(QLocale::Arabic, QLocale::Egypt),
        QLocale(QLocale::Persian, QLocale::Iran),
        QLocale(QLocale::Hindi, QLocale::India),
        QLocale(QLocale::Swedish, QLocale::Sweden),
    };
    static const int statuses[] = { 200, 200, 200, 200, 404, 500, 204, 302 };

    Input input(data, size);
    HttpReply reply;
    reply.received = input.byte() % 16 != 0;
    reply.status = statuses[input.byte() % 8];
    const QLocale &locale = locales[input.byte() % 8];
    const bool oversized = input.byte() % 16 == 0;
    reply.body = input.rest();
    if (oversized && !reply.body.isEmpty())
        reply.body = reply.body.repeated(HttpClient::kMaxReplyBytes / reply.body.size() + 1);

    checkBalance(reply);

    const QString text = QString::fromUtf8(reply.body);
    const std::optional<double> value = BillingClient::seconds(text, locale);
    if (value) {
        FUZZ_CHECK(std::isfinite(*value) && *value >= 0 && *value <= 2147483647.0);
        checkSplit(*value);
    }
    checkServerNumber(text, value);

    // Only a good reply counts; a failed query after it gives what it gave.
    FixedReply http;
    LoginValues login;
    login.strUserName = QStringLiteral("1001");
    BillingClient client(http, QStringLiteral("http://127.0.0.1:8088"), login);
    client.setUserLocale(locale);
    http.reply = reply;
    const bool good
        = reply.received && reply.body.size() <= HttpClient::kMaxReplyBytes && reply.status == 200 && value;
    const CreditTime first = client.queryCreditTime(125);
    FUZZ_CHECK(first == BillingClient::split(good ? *value : 125));
    http.reply = HttpReply();
    FUZZ_CHECK(client.queryCreditTime(7) == (good ? first : BillingClient::split(7)));
    return 0;
}
