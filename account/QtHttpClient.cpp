#include "account/QtHttpClient.h"

#include "account/HttpReplyParser.h"

#include <QEventLoop>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

namespace ralu {

namespace {

bool isToken(const QByteArray &s)
{
    if (s.isEmpty())
        return false;
    for (char c : s)
        if (c <= ' ' || c >= 127 || QByteArrayView("()<>@,;:\\\"/[]?={}").contains(c))
            return false;
    return true;
}

} // namespace

QtHttpClient::QtHttpClient(int timeoutMs)
    : m_timeoutMs(timeoutMs)
{
}

QByteArray QtHttpClient::requestBytes(const HttpRequest &request)
{
    const QUrl url = QUrl::fromEncoded(request.url, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("http") || url.host().isEmpty()
        || !isToken(request.method))
        return {};
    QByteArray target = url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (!target.startsWith('/'))
        target.prepend('/');

    QByteArray out = request.method + ' ' + target + " HTTP/1.1\r\n";
    out += "Host: " + url.adjusted(QUrl::RemoveUserInfo).authority(QUrl::FullyEncoded).toLatin1() + "\r\n";
    for (const auto &[name, value] : request.headers) {
        if (!isToken(name) || value.contains('\r') || value.contains('\n'))
            return {};
        out += name + ": " + value + "\r\n";
    }
    out += "Accept-Encoding: identity\r\nConnection: close\r\n";
    if (!request.body.isEmpty() || request.method != "GET")
        out += "Content-Length: " + QByteArray::number(request.body.size()) + "\r\n";
    return out + "\r\n" + request.body;
}

HttpReply QtHttpClient::send(const HttpRequest &request)
{
    const QByteArray bytes = requestBytes(request);
    if (bytes.isEmpty())
        return {};
    const QUrl url = QUrl::fromEncoded(request.url, QUrl::StrictMode);

    QTcpSocket socket;
    // The billing server is reached directly, whatever proxy the desktop
    // names for browsing.
    socket.setProxy(QNetworkProxy::NoProxy);
    socket.setReadBufferSize(64 * 1024);
    HttpReplyParser parser(kMaxReplyBytes);
    QEventLoop loop;
    bool over = false;
    auto finish = [&] {
        over = true;
        loop.quit();
    };
    // Counted as they arrive: the parser gives up as soon as the reply
    // passes its limit.
    auto readAll = [&] {
        while (socket.bytesAvailable() > 0 && parser.state() == HttpReplyParser::State::Reading)
            parser.feed(socket.read(16 * 1024));
        if (parser.state() != HttpReplyParser::State::Reading)
            finish();
    };
    QObject::connect(&socket, &QTcpSocket::connected, &loop, [&] { socket.write(bytes); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, readAll);
    // Closed, reset, refused, unreachable: what came is all there is.
    QObject::connect(&socket, &QAbstractSocket::errorOccurred, &loop, [&] {
        readAll();
        parser.closed();
        finish();
    });
    QTimer limit;
    limit.setSingleShot(true);
    limit.setTimerType(Qt::PreciseTimer); // the time-out as given, not 5 % early
    QObject::connect(&limit, &QTimer::timeout, &loop, finish);
    limit.start(m_timeoutMs);
    socket.connectToHost(url.host(), static_cast<quint16>(url.port(80)));
    if (!over)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    socket.abort(); // one exchange per connection; an unfinished one is abandoned

    if (parser.state() != HttpReplyParser::State::Done)
        return {};
    HttpReply out;
    out.received = true;
    out.status = parser.status();
    out.body = parser.body();
    return out;
}

} // namespace ralu
