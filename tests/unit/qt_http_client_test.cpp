// The real HTTP client against a small server in this process on 127.0.0.1:
// the bytes of the requests, replies of any status, and the cases with no
// reply (refused, silent until the time-out, cut off, too long, encoded).
// Sending returns at once; the reply comes from the event loop.
#include "TestCertificate.h"
#include "account/QtHttpClient.h"
#include "qt_printers.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include <sys/socket.h>

using namespace ralu;
using ralu::testing::TestCertificate;

namespace {

// Reads one request per connection and answers it with `answer` (nothing at
// all while answer is empty), after `delayMs`, then ends as `ending` says.
class LocalServer : public QObject {
public:
    enum Ending {
        Close, // an orderly close
        Reset, // a moment later, a reset (RST) instead of a close
        Stream, // `piece` again every 10 ms until the client goes away
    };
    QByteArray answer;
    QByteArray piece = QByteArray(64 * 1024, 'x');
    int delayMs = 0;
    Ending ending = Close;
    QList<QByteArray> received; // every request, byte for byte
    int closedUnanswered = 0;

    // With a TLS configuration the server speaks https.
    explicit LocalServer(const std::optional<QSslConfiguration> &tls = std::nullopt)
    {
        if (tls) {
            auto *server = new QSslServer(this);
            server->setSslConfiguration(*tls);
            m_server = server;
        }
        m_server->listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
        connect(m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket *s = m_server->nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, this, [this, s] { read(s); });
                connect(s, &QTcpSocket::disconnected, this, [this, s] {
                    if (!s->property("answered").toBool())
                        ++closedUnanswered;
                    s->deleteLater();
                });
            }
        });
    }
    QByteArray base() const
    {
        return (qobject_cast<QSslServer *>(m_server) ? "https" : "http") + QByteArray("://127.0.0.1:")
            + QByteArray::number(m_server->serverPort());
    }

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
            if (ending == Close)
                s->disconnectFromHost();
            else if (ending == Reset)
                QTimer::singleShot(50, s, [s] { reset(s); });
            else
                stream(s);
        });
    }

    static void reset(QTcpSocket *s)
    {
        s->flush();
        const linger now { 1, 0 }; // close with a reset, not a FIN
        setsockopt(int(s->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
        s->abort();
    }

    void stream(QTcpSocket *s)
    {
        auto *more = new QTimer(s);
        connect(more, &QTimer::timeout, s, [this, s] {
            if (s->state() == QAbstractSocket::ConnectedState && s->bytesToWrite() < (1 << 20))
                s->write(piece);
        });
        more->start(10);
    }

    QTcpServer *m_server = new QTcpServer(this);
};

QByteArray httpReply(int code, const QByteArray &reason, const QByteArray &body)
{
    return "HTTP/1.1 " + QByteArray::number(code) + ' ' + reason
        + "\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(body.size())
        + "\r\nConnection: close\r\n\r\n" + body;
}

// Sends and runs the event loop until the reply (test code may nest loops).
HttpReply sendAndWait(QtHttpClient &http, const HttpRequest &request)
{
    QEventLoop loop;
    std::optional<HttpReply> reply;
    http.send(request, [&](const HttpReply &r) {
        reply = r;
        loop.quit();
    });
    if (!reply)
        loop.exec();
    return *reply;
}

} // namespace

TEST(QtHttpClient, RequestsGoOutAsGiven)
{
    LocalServer server;
    server.answer = httpReply(200, "OK", "<amount>12.50</amount>");
    QtHttpClient http;

    HttpRequest get { "GET", server.base() + "/customer/account/showaccountbalance1.aspx?pin=1%26x%23%20", {},
        {} };
    const HttpReply r1 = sendAndWait(http, get);
    EXPECT_TRUE(r1.received);
    EXPECT_EQ(r1.status, 200);
    EXPECT_EQ(r1.body, QByteArray("<amount>12.50</amount>"));

    HttpRequest post { "POST", server.base() + "/customer/account/GetCreditTime.aspx",
        { qMakePair(QByteArray("Content-Type"), QByteArray("application/x-www-form-urlencoded")) },
        "pin=1001" };
    server.answer = httpReply(200, "OK", "3725");
    const HttpReply r2 = sendAndWait(http, post);
    EXPECT_TRUE(r2.received);
    EXPECT_EQ(r2.body, QByteArray("3725"));

    ASSERT_EQ(server.received.size(), 2);
    const QByteArray &g = server.received[0];
    EXPECT_TRUE(g.startsWith("GET /customer/account/showaccountbalance1.aspx?pin=1%26x%23%20 HTTP/1.1\r\n"))
        << g.toStdString();
    EXPECT_TRUE(g.contains("\r\nHost: 127.0.0.1:")) << g.toStdString();
    EXPECT_FALSE(g.toLower().contains("content-type")) << g.toStdString();
    EXPECT_TRUE(g.contains("\r\nAccept-Encoding: identity\r\n"))
        << "no compressed replies: " << g.toStdString();
    EXPECT_TRUE(g.endsWith("\r\n\r\n")) << "no body";

    const QByteArray &p = server.received[1];
    EXPECT_TRUE(p.startsWith("POST /customer/account/GetCreditTime.aspx HTTP/1.1\r\n")) << p.toStdString();
    EXPECT_TRUE(p.contains("\r\nContent-Type: application/x-www-form-urlencoded\r\n")) << p.toStdString();
    EXPECT_TRUE(p.contains("\r\nContent-Length: 8\r\n")) << p.toStdString();
    EXPECT_TRUE(p.endsWith("\r\n\r\npin=1001")) << p.toStdString();
}

TEST(QtHttpClient, HttpsIsAReplyOnlyFromAServerWhoseCertificateIsTrustedAndNamesTheHost)
{
    const TestCertificate mine(QStringLiteral("127.0.0.1")), otherHost(QStringLiteral("127.0.0.2"));
    ASSERT_FALSE(mine.certificate().isNull()) << "openssl made no certificate";
    const struct {
        const char *what;
        std::optional<QSslConfiguration> server;
        QList<QSslCertificate> trusted;
        bool reply;
    } cases[] = {
        { "trusted, right name", mine.server(), { mine.certificate() }, true },
        { "not trusted", mine.server(), {}, false },
        { "trusted, another host's name", otherHost.server(), { otherHost.certificate() }, false },
        { "no TLS at all", std::nullopt, { mine.certificate() }, false },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        LocalServer server(c.server);
        server.answer = httpReply(200, "OK", "<amount>12.50</amount>");
        QtHttpClient http(500); // a server without TLS waits for a request that never comes
        http.trustAlso(c.trusted);
        QByteArray url = server.base() + "/x?pin=1001";
        url.replace("http://", "https://");
        const HttpReply r = sendAndWait(http, HttpRequest { "GET", url, {}, {} });
        EXPECT_EQ(r.received, c.reply);
        EXPECT_EQ(r.body, c.reply ? QByteArray("<amount>12.50</amount>") : QByteArray());
        // Without a connection that passed, the request never left.
        EXPECT_EQ(server.received.size(), c.reply ? 1 : 0);
    }
}

TEST(QtHttpClient, AnyStatusIsAReplyWithItsText)
{
    LocalServer server;
    QtHttpClient http;
    server.answer = httpReply(404, "Not Found", "<html>gone</html>");
    HttpReply r = sendAndWait(http, HttpRequest { "GET", server.base() + "/x", {}, {} });
    EXPECT_TRUE(r.received);
    EXPECT_EQ(r.status, 404);
    EXPECT_EQ(r.body, QByteArray("<html>gone</html>"));

    server.answer = httpReply(500, "Internal Server Error", "");
    r = sendAndWait(http, HttpRequest { "POST", server.base() + "/x", {}, "pin=1" });
    EXPECT_TRUE(r.received);
    EXPECT_EQ(r.status, 500);
    EXPECT_TRUE(r.body.isEmpty());

    // A reply slower than usual but within the time-out is still read.
    server.answer = httpReply(200, "OK", "late");
    server.delayMs = 100;
    r = sendAndWait(http, HttpRequest { "GET", server.base() + "/x", {}, {} });
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
    HttpReply r = sendAndWait(
        http, HttpRequest { "GET", "http://127.0.0.1:" + QByteArray::number(closedPort) + "/x", {}, {} });
    EXPECT_FALSE(r.received);

    for (const QByteArray &bad :
        { QByteArray("not an address"), QByteArray("ftp://127.0.0.1/x"), QByteArray("") }) {
        r = sendAndWait(http, HttpRequest { "GET", bad, {}, {} });
        EXPECT_FALSE(r.received) << bad.toStdString();
    }
}

TEST(QtHttpClient, SilentServerIsNoReplyOnceTheTimeOutHasPassed)
{
    LocalServer server; // reads, never answers
    QtHttpClient http(300);
    EXPECT_EQ(QtHttpClient().timeoutMs(), 3000);
    QElapsedTimer took;
    took.start();
    bool answered = false;
    http.send(
        HttpRequest { "GET", server.base() + "/x", {}, {} }, [&](const HttpReply &) { answered = true; });
    EXPECT_LT(took.elapsed(), 50) << "sending waits for nothing";
    EXPECT_FALSE(answered);
    const HttpReply r = sendAndWait(http, HttpRequest { "GET", server.base() + "/x", {}, {} });
    EXPECT_GE(took.elapsed(), 300);
    EXPECT_TRUE(answered);
    EXPECT_FALSE(r.received);
    EXPECT_EQ(server.received.size(), 2) << "the requests were sent and read";
    // The abandoned connection is closed, not left hanging.
    for (int i = 0; i < 50 && server.closedUnanswered == 0; ++i) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    EXPECT_EQ(server.closedUnanswered, 2);

    // A client gone before its reply never answers.
    auto gone = std::make_unique<QtHttpClient>(100);
    gone->send(
        HttpRequest { "GET", server.base() + "/x", {}, {} }, [&](const HttpReply &) { answered = false; });
    gone.reset();
    QEventLoop loop;
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(answered);
}

TEST(QtHttpClient, OnlyAReplyThatArrivedWholeIsAReply)
{
    const QByteArray head200 = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n";
    const QByteArray chunked = head200 + "Transfer-Encoding: chunked\r\n\r\n";
    const QByteArray limit(QtHttpClient::kMaxReplyBytes, '7');
    // gzip of "3599"
    const QByteArray gzip(
        "\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\x33\x36\xb5\xb4\x04\x00\x9a\xaa\xfb\xb0\x04\x00\x00\x00",
        24);
    struct Case {
        const char *what;
        QByteArray answer;
        LocalServer::Ending ending;
        bool whole;
        QByteArray body;
    };
    const Case cases[] = {
        // Whole replies, whichever way they mark their end.
        { "chunked", chunked + "2\r\n35\r\n2\r\n99\r\n0\r\n\r\n", LocalServer::Close, true, "3599" },
        { "identity encoding", head200 + "Content-Encoding: identity\r\nContent-Length: 4\r\n\r\n3599",
            LocalServer::Close, true, "3599" },
        { "at the size limit", httpReply(200, "OK", limit), LocalServer::Close, true, limit },
        { "no content", "HTTP/1.1 204 No Content\r\n\r\n", LocalServer::Close, true, {} },
        // Cut off: what came is not the reply.
        { "shorter than its length", head200 + "Content-Length: 100\r\n\r\n3599" + QByteArray(31, ' '),
            LocalServer::Close, false, {} },
        { "error page shorter than its length", "HTTP/1.1 404 Not Found\r\nContent-Length: 100\r\n\r\n<html>",
            LocalServer::Close, false, {} },
        { "reset", head200 + "Content-Length: 100\r\n\r\n3599" + QByteArray(31, ' '), LocalServer::Reset,
            false, {} },
        // Without a length, a close cannot be told from a cut.
        { "no length, closed", head200 + "\r\n3599", LocalServer::Close, false, {} },
        { "no length, reset", head200 + "\r\n3599", LocalServer::Reset, false, {} },
        { "chunked without its last chunk", chunked + "4\r\n3599\r\n", LocalServer::Close, false, {} },
        { "chunked cut in a chunk", chunked + "40\r\n3599", LocalServer::Close, false, {} },
        { "error page in unfinished chunks",
            "HTTP/1.1 500 Oops\r\nTransfer-Encoding: chunked\r\n\r\n6\r\n<html>", LocalServer::Close, false,
            {} },
        // Too long, or compressed although plain text was asked for.
        { "over the size limit", httpReply(200, "OK", limit + '7'), LocalServer::Close, false, {} },
        { "gzip", head200 + "Content-Encoding: gzip\r\nContent-Length: 24\r\n\r\n" + gzip, LocalServer::Close,
            false, {} },
        { "deflate", head200 + "Content-Encoding: deflate\r\n\r\n" + qCompress("3599").mid(4),
            LocalServer::Close, false, {} },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        LocalServer server;
        server.answer = c.answer;
        server.ending = c.ending;
        QtHttpClient http;
        const HttpReply r = sendAndWait(http, HttpRequest { "GET", server.base() + "/x", {}, {} });
        EXPECT_EQ(r.received, c.whole);
        if (c.whole) {
            EXPECT_EQ(r.status, c.answer.mid(9, 3).toInt());
            EXPECT_EQ(r.body, c.body);
        }
    }
}

TEST(QtHttpClient, AnEndlessOrOversizeReplyIsAbandonedAsSoonAsItPassesTheLimit)
{
    const QByteArray head200 = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n";
    const QByteArray x(64 * 1024, 'x');
    const QPair<QByteArray, QByteArray> streams[] = {
        // No length: read until the close that never comes.
        { head200 + "\r\n", x },
        // One chunk of 64 KB after another.
        { head200 + "Transfer-Encoding: chunked\r\n\r\n", "10000\r\n" + x + "\r\n" },
        // Long, and slow to come.
        { head200 + "Content-Length: 1000000000\r\n\r\n", x },
    };
    for (const auto &[start, piece] : streams) {
        SCOPED_TRACE(start.toStdString());
        LocalServer server;
        server.answer = start;
        server.piece = piece;
        server.ending = LocalServer::Stream;
        QtHttpClient http; // the default time-out, which must not be what ends it
        QElapsedTimer took;
        took.start();
        const HttpReply r = sendAndWait(http, HttpRequest { "GET", server.base() + "/x", {}, {} });
        EXPECT_FALSE(r.received);
        EXPECT_LT(took.elapsed(), 1000);
    }
}
