#include "account/BillingClient.h"

#include "engine/VisibleText.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QUrl>

#include <cfenv>
#include <cmath>
#include <limits>

Q_LOGGING_CATEGORY(lcBilling, "ralu.billing")

namespace ralu {

namespace {

// A failed query for the support log: its path alone (the rest holds the PIN).
const HttpReply &logged(const char *path, const HttpReply &reply)
{
    if (!reply.received)
        qCWarning(lcBilling) << "no reply to" << path;
    else if (reply.status != 200)
        qCWarning(lcBilling) << "status" << reply.status << "to" << path;
    return reply;
}

} // namespace

BillingClient::BillingClient(HttpClient &http, QString baseUrl, const LoginValues &login)
    : m_http(http)
    , m_base(baseUrl.toUtf8())
    , m_login(login)
{
}

QByteArray BillingClient::encoded(const QString &value)
{
    return QUrl::toPercentEncoding(value);
}

// ----------------------------------------------------------------- balance

void BillingClient::updateBalance(BalanceDone done)
{
    HttpRequest request;
    request.method = "GET";
    request.url = m_base + kBalancePath + encoded(m_login.strAccountNumber.trimmed());
    ask({ request, [done = std::move(done)](const HttpReply &reply) {
             if (done)
                 done(balanceLabel(logged(kBalancePath, reply)));
         } });
}

void BillingClient::ask(Query query)
{
    m_waiting.push_back(std::move(query));
    if (!m_sending)
        sendNext();
}

void BillingClient::sendNext()
{
    if (m_waiting.empty())
        return;
    m_sending = true;
    Query query = std::move(m_waiting.front());
    m_waiting.pop_front();
    std::weak_ptr<BillingClient *> self = m_self;
    m_http.send(query.request, [self, take = std::move(query.take)](const HttpReply &reply) {
        const std::shared_ptr<BillingClient *> alive = self.lock();
        if (!alive)
            return;
        BillingClient *client = *alive;
        client->m_sending = false;
        take(reply); // may ask again: that query waits behind the ones asked before
        // Only if the client outlived what it told its asker.
        if (const std::shared_ptr<BillingClient *> still = self.lock(); still && !client->m_sending)
            client->sendNext();
    });
}

namespace {

// Nothing longer is a billing reply, whatever client delivered it.
bool usable(const HttpReply &reply)
{
    return reply.received && reply.body.size() <= HttpClient::kMaxReplyBytes;
}

} // namespace

std::optional<QString> BillingClient::balanceLabel(const HttpReply &reply)
{
    if (!usable(reply))
        return std::nullopt;
    if (reply.status != 200)
        return QString();
    const QString text = QString::fromUtf8(reply.body);
    if (text.isEmpty())
        return std::nullopt; // nothing to split: the label stays

    // After the first opening tag; without one the whole reply stands in.
    static const QString open = QStringLiteral("<amount>");
    static const QString close = QStringLiteral("</amount>");
    const int start = text.indexOf(open);
    QString amount = start >= 0 ? text.mid(start + open.size()) : text;
    // Up to the next closing tag; without one, up to the end.
    const int end = amount.indexOf(close);
    if (end >= 0)
        amount.truncate(end);

    if (amount == QLatin1String("Account does not exist."))
        return QStringLiteral("Balance :0.00");
    // At most kMaxAmountChars characters, control and other unprintable ones
    // (a right-to-left override...) shown as U+FFFD; blanks, tabs, line ends stay.
    return QStringLiteral("Balance :") + visibleText(amount, kMaxAmountChars, isPrintable);
}

// ------------------------------------------------------------- credit time

void BillingClient::queryCreditTime(CreditTimeDone done)
{
    HttpRequest request;
    request.method = "POST";
    request.url = m_base + kCreditTimePath;
    request.headers.append(
        qMakePair(QByteArray("Content-Type"), QByteArray("application/x-www-form-urlencoded")));
    request.body = "pin=" + encoded(m_login.strUserName);
    ask({ request, [this, done = std::move(done)](const HttpReply &reply) {
             const std::optional<qint64> left = creditSeconds(logged(kCreditTimePath, reply));
             if (done)
                 done(left);
         } });
}

std::optional<qint64> BillingClient::creditSeconds(const HttpReply &reply)
{
    // Only a good reply is kept: status 200 and a number. Without one the
    // last good reply's text is read again, so a failed or broken query
    // gives the talk time that reply gave.
    if (usable(reply) && reply.status == 200) {
        const QString text = QString::fromUtf8(reply.body);
        if (seconds(text, m_userLocale))
            m_lastCreditReply = text;
    }
    if (!m_lastCreditReply)
        return std::nullopt;
    const std::optional<double> value = seconds(*m_lastCreditReply, m_userLocale);
    return value ? std::optional<qint64>(wholeSeconds(*value)) : std::nullopt;
}

std::optional<double> BillingClient::seconds(const QString &text, const QLocale &userLocale)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    // The server's own format first: it is a program, not a person.
    static const QRegularExpression plain(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    bool ok = false;
    double v = 0;
    if (plain.match(t).hasMatch())
        v = QLocale::c().toDouble(t, &ok);
    if (!ok)
        v = userLocale.toDouble(t, &ok);
    // Talk time left is never below zero: a negative reply is as broken as
    // one that is not a number, and the countdown would show it as 00:0-8:0-20.
    if (!ok || !std::isfinite(v) || v < 0)
        return std::nullopt;
    // Whole seconds must fit the 32-bit arithmetic of the countdown.
    if (std::fabs(v) > static_cast<double>(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return v;
}

qint64 BillingClient::wholeSeconds(double seconds)
{
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(seconds);
    std::fesetround(mode);
    return static_cast<qint64>(r);
}

} // namespace ralu
