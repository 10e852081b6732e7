// The demo billing server from the end-to-end tests' side: its control
// request, and its log of what reached it, byte for byte.
#pragma once

#include "E2eSupport.h"

#include <QFile>
#include <QTcpSocket>

namespace ralu::e2e {

// Tells the billing server how to answer (see scripts/PROVIDER.md). Blocking
// socket calls only: no event of the phone under test runs meanwhile.
inline bool control(const QByteArray &form)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), 8088);
    if (!socket.waitForConnected(2000))
        return false;
    socket.write("POST /control HTTP/1.1\r\nHost: 127.0.0.1:8088\r\n"
                 "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: "
        + QByteArray::number(form.size()) + "\r\nConnection: close\r\n\r\n" + form);
    if (!socket.waitForBytesWritten(2000))
        return false;
    QByteArray reply;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(2000))
        reply += socket.readAll();
    reply += socket.readAll();
    return reply.startsWith("HTTP/1.1 200 ");
}

// One request as the billing server read it.
struct HttpRecord {
    QByteArray raw;
    QByteArray requestLine() const { return raw.left(raw.indexOf("\r\n")); }
    QByteArray body() const { return raw.mid(raw.indexOf("\r\n\r\n") + 4); }
    // Every value of a header, in order.
    QList<QByteArray> header(const QByteArray &name) const
    {
        QList<QByteArray> out;
        const QList<QByteArray> lines = raw.left(raw.indexOf("\r\n\r\n")).split('\n');
        for (int i = 1; i < lines.size(); ++i) {
            const int colon = lines[i].indexOf(':');
            if (colon > 0 && lines[i].left(colon).toLower() == name.toLower())
                out << lines[i].mid(colon + 1).trimmed();
        }
        return out;
    }
};

// The billing server's log from the moment this object was made.
class BillingLog {
public:
    BillingLog() { m_start = QFile(path()).size(); }
    static QString path() { return providerRunDir() + QStringLiteral("/billing.log"); }

    QByteArray raw() const
    {
        QFile file(path());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        file.seek(m_start);
        return file.readAll();
    }

    // "RALU-HTTP-IN SEQ PEER LENGTH\n" + LENGTH bytes + "\nRALU-HTTP-END\n".
    QList<HttpRecord> requests() const
    {
        QList<HttpRecord> out;
        const QByteArray text = raw();
        int at = 0;
        while ((at = text.indexOf("RALU-HTTP-IN ", at)) >= 0) {
            const int eol = text.indexOf('\n', at);
            const QList<QByteArray> words = text.mid(at, eol - at).split(' ');
            const int length = words.value(3).toInt();
            out << HttpRecord { text.mid(eol + 1, length) };
            at = eol + 1 + length;
        }
        return out;
    }

    QList<QByteArray> requestLines() const
    {
        QList<QByteArray> lines;
        for (const HttpRecord &r : requests())
            lines << r.requestLine();
        return lines;
    }

private:
    qint64 m_start = 0;
};

} // namespace ralu::e2e
