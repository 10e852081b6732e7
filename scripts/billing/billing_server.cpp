// The demo provider's billing server: answers Ralu's balance and credit-time
// queries for the demo accounts, on 127.0.0.1 only, and logs every request
// byte for byte. A control request switches it to the odd replies a real
// server can give (an error status, an untagged text, a missing closing tag,
// a slow reply, no reply at all, a reply cut off, endless, oversize or
// compressed), for the demo and the tests. See scripts/PROVIDER.md.
//
//   ralu_billing_server [--port N] [--log FILE] [--tls-cert FILE --tls-key FILE]
//
// HTTP/1.1, one request per connection (every reply closes it); with a
// certificate and its key (PEM), every connection is TLS (https) and
// nothing is served in clear.
#include "ServerSupport.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QHostAddress>
#include <QMap>
#include <QPointer>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <optional>
#include <sys/socket.h>

namespace {

struct Account {
    QByteArray balance; // the amount as the page shows it
    QByteArray credit; // seconds of talk time left
};

QMap<QByteArray, Account> demoAccounts()
{
    return {
        { "1001", { "12.50", "3725" } },
        { "1002", { "3.75", "59" } },
        { "1003", { "0.40", "120" } },
    };
}

// How one of the two queries is answered.
struct Behaviour {
    // normal status text notexist untagged noclose slow silent
    // cut reset unfinished endless oversize deflate
    QByteArray mode = "normal";
    int code = 404; // status
    QByteArray text; // text
    int delayMs = 5000; // slow
    qint64 size = 64 * 1024 * 1024; // oversize
};

constexpr int kMaxRequestBytes = 64 * 1024;

struct Request {
    QByteArray raw; // every byte received: request line, headers, body
    QByteArray method;
    QByteArray target; // path and query as sent
    QByteArray path;
    QByteArray query;
    QByteArray body;
};

class BillingServer : public QObject {
public:
    BillingServer(quint16 port, const QString &logPath, const std::optional<QSslConfiguration> &tls)
        : m_log(logPath)
        , m_accounts(demoAccounts())
    {
        if (!logPath.isEmpty() && !m_log.open(QIODevice::WriteOnly | QIODevice::Append))
            fail("cannot open log " + logPath.toLocal8Bit());
        if (tls) {
            if (!QSslSocket::supportsSsl())
                fail("no TLS backend");
            auto *server = new QSslServer(this);
            server->setSslConfiguration(*tls);
            // A client that refuses the certificate, or speaks no TLS.
            connect(server, &QSslServer::errorOccurred, this, [this](QSslSocket *socket, auto) {
                writeLog("RALU-HTTP-TLS-FAILED " + socket->errorString().toUtf8() + '\n');
            });
            m_server = server;
        } else {
            m_server = new QTcpServer(this);
        }
        // Loopback only: the billing server of the demo is never reachable
        // from outside this machine.
        if (!m_server->listen(QHostAddress(QStringLiteral("127.0.0.1")), port))
            fail("cannot listen on 127.0.0.1:" + QByteArray::number(port) + ": "
                + m_server->errorString().toUtf8());
        // A TLS connection is pending once its handshake is over.
        connect(m_server, &QTcpServer::pendingConnectionAvailable, this, &BillingServer::accept);
        std::fprintf(stderr, "ralu_billing_server: listening on 127.0.0.1:%u%s\n", port, tls ? " (TLS)" : "");
    }

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
            connect(socket, &QTcpSocket::bytesWritten, socket, [socket](qint64 n) {
                socket->setProperty("written", socket->property("written").toLongLong() + n);
            });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                const int seq = socket->property("seq").toInt();
                if (socket->property("waiting").toBool())
                    writeLog("RALU-HTTP-CLOSED " + QByteArray::number(seq) + " unanswered\n");
                else if (socket->property("broken").toBool())
                    writeLog("RALU-HTTP-GONE " + QByteArray::number(seq) + ' '
                        + QByteArray::number(socket->property("written").toLongLong()) + '\n');
                socket->deleteLater();
            });
        }
    }

    void readFrom(QTcpSocket *socket)
    {
        if (socket->property("done").toBool()) {
            socket->readAll(); // one request per connection
            return;
        }
        QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
        if (buffer.size() > kMaxRequestBytes) {
            reply(socket, 0, 400, "text/plain", "request too large\n");
            return;
        }
        const int headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0) {
            socket->setProperty("buffer", buffer);
            return;
        }
        Request r;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        r.method = first.value(0);
        r.target = first.value(1);
        qint64 length = 0;
        for (int i = 1; i < lines.size(); ++i) {
            const int colon = lines[i].indexOf(':');
            if (colon > 0 && lines[i].left(colon).trimmed().toLower() == "content-length")
                length = lines[i].mid(colon + 1).trimmed().toLongLong();
        }
        const qint64 total = headerEnd + 4 + length;
        if (buffer.size() < total) {
            socket->setProperty("buffer", buffer);
            return;
        }
        socket->setProperty("done", true);
        r.raw = buffer.left(total);
        r.body = buffer.mid(headerEnd + 4, length);
        const int q = r.target.indexOf('?');
        r.path = q < 0 ? r.target : r.target.left(q);
        r.query = q < 0 ? QByteArray() : r.target.mid(q + 1);
        handle(socket, r);
    }

    void handle(QTcpSocket *socket, const Request &r)
    {
        const int seq = ++m_seq;
        socket->setProperty("seq", seq);
        const QByteArray peer
            = socket->peerAddress().toString().toUtf8() + ':' + QByteArray::number(socket->peerPort());
        if (r.path == "/control") {
            writeLog("RALU-HTTP-CONTROL " + QByteArray::number(seq) + ' ' + r.body + '\n');
            control(socket, seq, r);
            return;
        }
        writeLog("RALU-HTTP-IN " + QByteArray::number(seq) + ' ' + peer + ' '
            + QByteArray::number(r.raw.size()) + '\n' + r.raw + "\nRALU-HTTP-END\n");

        if (r.method == "GET" && r.path == "/customer/account/showaccountbalance1.aspx") {
            const QByteArray pin = parseForm(r.query).value("pin");
            answer(socket, seq, m_balance, balancePage(pin), "text/html; charset=utf-8", pin);
        } else if (r.method == "POST" && r.path == "/customer/account/GetCreditTime.aspx") {
            const QByteArray pin = parseForm(r.body).value("pin");
            answer(socket, seq, m_credit, creditText(pin), "text/plain; charset=utf-8", pin);
        } else {
            reply(socket, seq, 404, "text/html; charset=utf-8",
                "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>\r\n");
        }
    }

    QByteArray balancePage(const QByteArray &pin) const
    {
        const auto it = m_accounts.find(pin);
        const QByteArray amount
            = it == m_accounts.end() ? QByteArray("Account does not exist.") : it->balance;
        return "<!DOCTYPE html>\r\n<html><head><title>Account balance</title></head>\r\n"
               "<body><table class=\"balance\"><tr><td>Account</td><td>"
            + QString::fromUtf8(pin).toHtmlEscaped().toUtf8()
            + "</td></tr>\r\n<tr><td>Balance</td><td><amount>" + amount
            + "</amount> USD</td></tr></table></body></html>\r\n";
    }

    QByteArray creditText(const QByteArray &pin) const
    {
        const auto it = m_accounts.find(pin);
        return it == m_accounts.end() ? QByteArray("Account does not exist.") : it->credit;
    }

    QByteArray amountOf(const QByteArray &pin) const
    {
        const auto it = m_accounts.find(pin);
        return it == m_accounts.end() ? QByteArray("Account does not exist.") : it->balance;
    }

    // The reply to a query, as the behaviour of its kind says.
    void answer(QTcpSocket *socket, int seq, const Behaviour &b, const QByteArray &normal,
        const QByteArray &type, const QByteArray &pin)
    {
        if (b.mode == "normal") {
            reply(socket, seq, 200, type, normal);
        } else if (b.mode == "status") {
            reply(socket, seq, b.code, "text/html; charset=utf-8",
                "<html><head><title>" + QByteArray::number(b.code) + ' ' + reasonPhrase(b.code)
                    + "</title></head><body><h1>" + reasonPhrase(b.code) + "</h1></body></html>\r\n");
        } else if (b.mode == "text") {
            reply(socket, seq, 200, "text/plain; charset=utf-8", b.text);
        } else if (b.mode == "notexist") {
            reply(socket, seq, 200, "text/plain; charset=utf-8", "Account does not exist.");
        } else if (b.mode == "untagged") {
            reply(socket, seq, 200, "text/plain; charset=utf-8", "Your balance is " + amountOf(pin) + " USD");
        } else if (b.mode == "noclose") {
            reply(socket, seq, 200, "text/html; charset=utf-8", "<html><body><amount>" + amountOf(pin));
        } else if (b.mode == "slow") {
            QPointer<QTcpSocket> alive(socket);
            socket->setProperty("waiting", true);
            QTimer::singleShot(b.delayMs, this, [this, alive, seq, type, normal] {
                if (alive && alive->state() == QAbstractSocket::ConnectedState) {
                    alive->setProperty("waiting", false);
                    reply(alive, seq, 200, type, normal);
                }
            });
        } else if (b.mode == "silent") { // the request was read; nothing ever comes back
            socket->setProperty("waiting", true);
            writeLog("RALU-HTTP-SILENT " + QByteArray::number(seq) + '\n');
        } else {
            broken(socket, seq, b, normal, type);
        }
    }

    // Replies that never arrive whole, or are not to be taken.
    void broken(
        QTcpSocket *socket, int seq, const Behaviour &b, const QByteArray &normal, const QByteArray &type)
    {
        socket->setProperty("broken", true);
        QByteArray head = "HTTP/1.1 200 OK\r\nServer: Ralu-Demo-Billing\r\nContent-Type: " + type
            + "\r\nConnection: close\r\n";
        const QByteArray half = normal.left(normal.size() / 2);
        const QByteArray length = "Content-Length: " + QByteArray::number(normal.size()) + "\r\n\r\n";
        if (b.mode == "cut") { // half the body its length announced, then an orderly close
            socket->write(head + length + half);
            socket->disconnectFromHost();
        } else if (b.mode == "reset") { // the same, then a reset
            socket->write(head + length + half);
            QPointer<QTcpSocket> alive(socket);
            QTimer::singleShot(50, this, [alive] {
                if (!alive)
                    return;
                alive->flush();
                const linger now { 1, 0 };
                setsockopt(int(alive->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
                alive->abort();
            });
        } else if (b.mode == "unfinished") { // chunked, without the last chunk
            socket->write(head + "Transfer-Encoding: chunked\r\n\r\n" + QByteArray::number(normal.size(), 16)
                + "\r\n" + normal + "\r\n");
            socket->disconnectFromHost();
        } else if (b.mode == "endless") { // the body, then 64 KB more every 10 ms
            socket->write(head + "\r\n" + normal);
            auto *more = new QTimer(socket);
            connect(more, &QTimer::timeout, socket, [socket] {
                if (socket->bytesToWrite() < 1024 * 1024)
                    socket->write(QByteArray(64 * 1024, ' '));
            });
            more->start(10);
        } else if (b.mode == "oversize") { // whole, padded with blanks to `size` bytes
            const QByteArray body = normal + QByteArray(qMax<qint64>(0, b.size - normal.size()), ' ');
            socket->write(head + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            socket->disconnectFromHost();
        } else { // deflate: whole, but compressed although Ralu asks for plain text
            const QByteArray body = qCompress(normal).mid(4); // the zlib stream
            socket->write(head + "Content-Encoding: deflate\r\nContent-Length: "
                + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            socket->disconnectFromHost();
        }
        writeLog("RALU-HTTP-BROKEN " + QByteArray::number(seq) + ' ' + b.mode + '\n');
    }

    void reply(QTcpSocket *socket, int seq, int code, const QByteArray &type, const QByteArray &body)
    {
        socket->setProperty("waiting", false);
        QByteArray out = "HTTP/1.1 " + QByteArray::number(code) + ' ' + reasonPhrase(code) + "\r\n";
        out += "Server: Ralu-Demo-Billing\r\n";
        out += "Content-Type: " + type + "\r\n";
        out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        out += "Cache-Control: no-cache\r\n";
        out += "Connection: close\r\n\r\n";
        out += body;
        socket->write(out);
        socket->disconnectFromHost();
        writeLog("RALU-HTTP-REPLY " + QByteArray::number(seq) + ' ' + QByteArray::number(code) + ' '
            + QByteArray::number(body.size()) + '\n');
    }

    // POST /control, a form:
    //   reset=1                                  demo accounts, every reply normal
    //   account=PIN[&balance=TEXT][&credit=TEXT] add or change an account
    //   mode=M[&target=balance|credit|both][&code=N][&text=T][&delay_ms=N][&size=N]
    void control(QTcpSocket *socket, int seq, const Request &r)
    {
        if (r.method != "POST") {
            reply(socket, seq, 400, "text/plain", "POST only\n");
            return;
        }
        const QMap<QByteArray, QByteArray> form = parseForm(r.body);
        if (form.contains("reset")) {
            m_accounts = demoAccounts();
            m_balance = Behaviour();
            m_credit = Behaviour();
        }
        if (form.contains("account")) {
            Account &a = m_accounts[form.value("account")];
            if (form.contains("balance"))
                a.balance = form.value("balance");
            if (form.contains("credit"))
                a.credit = form.value("credit");
        }
        if (form.contains("mode")) {
            static const QList<QByteArray> modes { "normal", "status", "text", "notexist", "untagged",
                "noclose", "slow", "silent", "cut", "reset", "unfinished", "endless", "oversize", "deflate" };
            Behaviour b;
            b.mode = form.value("mode");
            if (!modes.contains(b.mode)) {
                reply(socket, seq, 400, "text/plain", "unknown mode\n");
                return;
            }
            b.code = form.value("code", "404").toInt();
            b.text = form.value("text");
            b.delayMs = form.value("delay_ms", "5000").toInt();
            b.size
                = qBound(qint64(0), form.value("size", "67108864").toLongLong(), qint64(256) * 1024 * 1024);
            const QByteArray target = form.value("target", "both");
            if (target != "balance" && target != "credit" && target != "both") {
                reply(socket, seq, 400, "text/plain", "unknown target\n");
                return;
            }
            if (target != "credit")
                m_balance = b;
            if (target != "balance")
                m_credit = b;
        }
        reply(socket, seq, 200, "text/plain", "ok\n");
    }

    void writeLog(const QByteArray &record)
    {
        if (!m_log.isOpen())
            return;
        m_log.write(record);
        m_log.flush();
    }

    QTcpServer *m_server = nullptr;
    QFile m_log;
    QMap<QByteArray, Account> m_accounts;
    Behaviour m_balance;
    Behaviour m_credit;
    int m_seq = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    quint16 port = 8088;
    QString log, cert, key;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--port") && i + 1 < args.size()) {
            bool ok = false;
            const uint p = args[++i].toUInt(&ok);
            if (!ok || p == 0 || p > 65535) {
                std::fprintf(stderr, "ralu_billing_server: bad port\n");
                return 2;
            }
            port = static_cast<quint16>(p);
        } else if (args[i] == QLatin1String("--log") && i + 1 < args.size()) {
            log = args[++i];
        } else if (args[i] == QLatin1String("--tls-cert") && i + 1 < args.size()) {
            cert = args[++i];
        } else if (args[i] == QLatin1String("--tls-key") && i + 1 < args.size()) {
            key = args[++i];
        } else {
            std::fprintf(stderr,
                "usage: ralu_billing_server [--port N] [--log FILE] [--tls-cert FILE --tls-key FILE]\n");
            return 2;
        }
    }
    if (cert.isEmpty() != key.isEmpty()) {
        std::fprintf(stderr, "ralu_billing_server: --tls-cert and --tls-key go together\n");
        return 2;
    }
    BillingServer server(
        port, log, cert.isEmpty() ? std::nullopt : std::optional(tlsConfiguration(cert, key)));
    return app.exec();
}
