// The real HTTP client against a small server in this process on 127.0.0.1:
// the bytes of the requests, replies of any status, and the cases with no
// reply (refused, silent until the time-out), during which timers go on.
#include "account/QtHttpClient.h"
#include "qt_printers.h"

#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ralu;

namespace {

// Reads one request per connection and answers it with `answer` (nothing at
// all while answer is empty), after `delayMs`.
class LocalServer : public QObject {
public:
    QByteArray answer;
    int delayMs = 0;
    QList<QByteArray> received; // every request, byte for byte
    int closedUnanswered = 0;

    LocalServer()
    {
        m_server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, this, [this, s] { read(s); });
                connect(s, &QTcpSocket::disconnected, this, [this, s] {
                    if (!s->property("answered").toBool())
                        ++closedUnanswered;
                    s->deleteLater();
                });
            }
        });
    }
    QByteArray base() const { return "http://127.0.0.1:" + QByteArray::number(m_server.serverPort()); }

private:
    void read(QTcpSocket *s)
    {
        QByteArray buf = s->property("buf").toByteArray() + s->readAll();
        s->setProperty("buf", buf);
        const int end = buf.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        int length = 0;
        const int at = buf.toLower().indexOf("\r\ncontent-length:");
        if (at >= 0 && at < end)
            length = buf.mid(at + 17, buf.indexOf("\r\n", at + 2) - at - 17).trimmed().toInt();
        if (buf.size() < end + 4 + length)
            return;
        received << buf;
        if (answer.isEmpty())
            return;
        QTimer::singleShot(delayMs, s, [this, s] {
            s->setProperty("answered", true);
            s->write(answer);
            s->disconnectFromHost();
        });
    }

    QTcpServer m_server;
};

QByteArray httpReply(int code, const QByteArray &reason, const QByteArray &body)
{
    return "HTTP/1.1 " + QByteArray::number(code) + ' ' + reason
        + "\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(body.size())
        + "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace

TEST(QtHttpClient, RequestsGoOutAsGiven)
{
    LocalServer server;
    server.answer = httpReply(200, "OK", "<amount>12.50</amount>");
    QtHttpClient http;

    HttpRequest get { "GET", server.base() + "/customer/account/showaccountbalance1.aspx?pin=1%26x%23%20", {},
        {} };
    const HttpReply r1 = http.send(get);
    EXPECT_TRUE(r1.received);
    EXPECT_EQ(r1.status, 200);
    EXPECT_EQ(r1.body, QByteArray("<amount>12.50</amount>"));

    HttpRequest post { "POST", server.base() + "/customer/account/GetCreditTime.aspx",
        { qMakePair(QByteArray("Content-Type"), QByteArray("application/x-www-form-urlencoded")) },
        "pin=1001" };
    server.answer = httpReply(200, "OK", "3725");
    const HttpReply r2 = http.send(post);
    EXPECT_TRUE(r2.received);
    EXPECT_EQ(r2.body, QByteArray("3725"));

    ASSERT_EQ(server.received.size(), 2);
    const QByteArray &g = server.received[0];
    EXPECT_TRUE(g.startsWith("GET /customer/account/showaccountbalance1.aspx?pin=1%26x%23%20 HTTP/1.1\r\n"))
        << g.toStdString();
    EXPECT_TRUE(g.contains("\r\nHost: 127.0.0.1:")) << g.toStdString();
    EXPECT_FALSE(g.toLower().contains("content-type")) << g.toStdString();
    EXPECT_TRUE(g.endsWith("\r\n\r\n")) << "no body";

    const QByteArray &p = server.received[1];
    EXPECT_TRUE(p.startsWith("POST /customer/account/GetCreditTime.aspx HTTP/1.1\r\n")) << p.toStdString();
    EXPECT_TRUE(p.contains("\r\nContent-Type: application/x-www-form-urlencoded\r\n")) << p.toStdString();
    EXPECT_TRUE(p.contains("\r\nContent-Length: 8\r\n")) << p.toStdString();
    EXPECT_TRUE(p.endsWith("\r\n\r\npin=1001")) << p.toStdString();
}

TEST(QtHttpClient, AnyStatusIsAReplyWithItsText)
{
    LocalServer server;
    QtHttpClient http;
    server.answer = httpReply(404, "Not Found", "<html>gone</html>");
    HttpReply r = http.send(HttpRequest { "GET", server.base() + "/x", {}, {} });
    EXPECT_TRUE(r.received);
    EXPECT_EQ(r.status, 404);
    EXPECT_EQ(r.body, QByteArray("<html>gone</html>"));

    server.answer = httpReply(500, "Internal Server Error", "");
    r = http.send(HttpRequest { "POST", server.base() + "/x", {}, "pin=1" });
    EXPECT_TRUE(r.received);
    EXPECT_EQ(r.status, 500);
    EXPECT_TRUE(r.body.isEmpty());

    // A reply slower than usual but within the time-out is still read.
    server.answer = httpReply(200, "OK", "late");
    server.delayMs = 100;
    r = http.send(HttpRequest { "GET", server.base() + "/x", {}, {} });
    EXPECT_TRUE(r.received);
    EXPECT_EQ(r.body, QByteArray("late"));
}

TEST(QtHttpClient, NoServerOrNoAddressIsNoReply)
{
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
        closedPort = probe.serverPort();
    }
    QtHttpClient http;
    HttpReply r = http.send(
        HttpRequest { "GET", "http://127.0.0.1:" + QByteArray::number(closedPort) + "/x", {}, {} });
    EXPECT_FALSE(r.received);

    for (const QByteArray &bad :
        { QByteArray("not an address"), QByteArray("ftp://127.0.0.1/x"), QByteArray("") }) {
        r = http.send(HttpRequest { "GET", bad, {}, {} });
        EXPECT_FALSE(r.received) << bad.toStdString();
    }
}

TEST(QtHttpClient, SilentServerIsNoReplyOnceTheTimeOutHasPassedAndTimersRunMeanwhile)
{
    LocalServer server; // reads, never answers
    QtHttpClient http(300);
    EXPECT_EQ(QtHttpClient().timeoutMs(), 3000);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    const HttpReply r = http.send(HttpRequest { "GET", server.base() + "/x", {}, {} });
    timer.stop();
    EXPECT_FALSE(r.received);
    EXPECT_EQ(server.received.size(), 1) << "the request was sent and read";
    EXPECT_GT(ticks, 0) << "the window's timers keep running while a query waits";
    // The abandoned connection is closed, not left hanging.
    for (int i = 0; i < 50 && server.closedUnanswered == 0; ++i) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    EXPECT_EQ(server.closedUnanswered, 1);
}
