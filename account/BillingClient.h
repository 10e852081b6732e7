// The two queries to the provider's billing server: the account balance for
// the main window's balance label, and the account's remaining talk time for
// the call timer's countdown. Neither ever reports a failure: a step that
// cannot be done is skipped and the next one runs with what is there.
//
// Requests (base = the billing server's base address):
//   GET  base/customer/account/showaccountbalance1.aspx?pin=PIN
//        PIN = the account number, blanks around it removed
//   POST base/customer/account/GetCreditTime.aspx
//        Content-Type: application/x-www-form-urlencoded
//        body pin=USER (the SIP user name as it is)
// Both values are percent-encoded (UTF-8; letters, digits and "-._~" stay as
// they are), so an account number of digits goes out unchanged and any other
// character cannot break the address or the form.
//
// Balance reply, status 200: the amount is the text between the first
// "<amount>" and the next "</amount>" (no closing tag: up to the end; no
// opening tag: the whole reply), shown after "Balance :" as sent, blanks
// included, but cut at kMaxAmountChars and with control and other
// unprintable characters shown as U+FFFD; an amount of "Account does not
// exist." shows "Balance :0.00". Any other status empties the label. No
// reply (HttpReply::received false, or longer than kMaxReplyBytes), or a
// status-200 reply with no text, leaves the label as it was.
//
// Credit-time reply: a number of seconds. The text is read first in the
// server's own format (digits, optional sign, "." fraction, optional
// exponent, blanks around ignored) and, failing that, in the number format
// of the user's locale ("3599,5" in a German locale). It is rounded to whole
// seconds, halves to the even neighbour, and split into hours, minutes and
// seconds. Only a good reply counts: status 200 and a number not below
// zero. Without one (no reply, an error status, no number, a negative one)
// the text of the last good reply is read again, so the talk time is what
// that reply gave; when no good reply has come yet, the seconds the
// countdown holds now are split instead. A number whose whole seconds do
// not fit in 32 bits counts as no number.
#pragma once

#include "account/HttpClient.h"
#include "engine/AppState.h"

#include <QLocale>
#include <QString>
#include <optional>

namespace ralu {

class BillingClient {
public:
    struct CreditTime {
        double hours = 0;
        double minutes = 0; // 0 to 59
        double seconds = 0; // 0 to 59
    };

    // login is read at each query. baseUrl is the deployment's billing
    // server address, without a trailing "/".
    BillingClient(HttpClient &http, QString baseUrl, const LoginValues &login);

    // The balance label's new text, or nothing when the label keeps its text.
    std::optional<QString> updateBalance();
    // The remaining talk time; currentSeconds is what the countdown's seconds
    // hold now, split when the server gives no number.
    CreditTime queryCreditTime(double currentSeconds);

    // The number format tried after the server's own. Default: the user's.
    void setUserLocale(const QLocale &locale) { m_userLocale = locale; }
    // The text of the last good credit-time reply, kept for a query without one.
    const std::optional<QString> &lastCreditReply() const { return m_lastCreditReply; }

    // The pieces, for tests.
    static std::optional<QString> balanceLabel(const HttpReply &reply);
    static std::optional<double> seconds(const QString &text, const QLocale &userLocale);
    static CreditTime split(double seconds);
    static QByteArray encoded(const QString &value);

    // The most characters of an amount shown; the label has room for fewer.
    static constexpr int kMaxAmountChars = 64;

    static constexpr const char *kBalancePath = "/customer/account/showaccountbalance1.aspx?pin=";
    static constexpr const char *kCreditTimePath = "/customer/account/GetCreditTime.aspx";

private:
    HttpClient &m_http;
    QByteArray m_base;
    const LoginValues &m_login;
    QLocale m_userLocale;
    std::optional<QString> m_lastCreditReply;
};

} // namespace ralu
