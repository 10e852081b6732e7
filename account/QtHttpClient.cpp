#include "account/QtHttpClient.h"

#include "account/HttpReplyParser.h"

#include <QNetworkProxy>
#include <QSslConfiguration>
#include <QSslSocket>
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

// One request and its reply on a connection of its own. It deletes itself
// once done; deleted earlier (with its client), it never reports.
class Exchange : public QObject {
public:
    Exchange(QObject *parent, QByteArray bytes, QUrl url, int timeoutMs,
        const QList<QSslCertificate> &alsoTrusted, HttpClient::Done done)
        : QObject(parent)
        , m_bytes(std::move(bytes))
        , m_url(std::move(url))
        , m_done(std::move(done))
        , m_socket(this)
        , m_limit(this)
        , m_parser(HttpClient::kMaxReplyBytes)
    {
        // The billing server is reached directly, whatever proxy the desktop
        // names for browsing.
        m_socket.setProxy(QNetworkProxy::NoProxy);
        m_socket.setReadBufferSize(64 * 1024);
        if (tls()) {
            // The system's certificates, the peer verified, its name checked
            // against the host: Qt's defaults for a client, kept as they are.
            QSslConfiguration config = QSslConfiguration::defaultConfiguration();
            config.addCaCertificates(alsoTrusted);
            m_socket.setSslConfiguration(config);
            // The request leaves only over a connection that passed.
            connect(&m_socket, &QSslSocket::encrypted, this, [this] { m_socket.write(m_bytes); });
        } else {
            connect(&m_socket, &QTcpSocket::connected, this, [this] { m_socket.write(m_bytes); });
        }
        connect(&m_socket, &QTcpSocket::readyRead, this, &Exchange::readAll);
        // Closed, reset, refused, unreachable: what came is all there is.
        connect(&m_socket, &QAbstractSocket::errorOccurred, this, [this] {
            readAll();
            m_parser.closed();
            finish();
        });
        m_limit.setSingleShot(true);
        m_limit.setTimerType(Qt::PreciseTimer); // the time-out as given, not 5 % early
        connect(&m_limit, &QTimer::timeout, this, &Exchange::finish);
        m_limit.start(timeoutMs);
        // From the event loop: done never runs inside send().
        QMetaObject::invokeMethod(this, &Exchange::start, Qt::QueuedConnection);
    }

private:
    void start()
    {
        if (m_bytes.isEmpty()) {
            finish(); // an address that cannot be asked
            return;
        }
        if (tls())
            m_socket.connectToHostEncrypted(m_url.host(), static_cast<quint16>(m_url.port(443)));
        else
            m_socket.connectToHost(m_url.host(), static_cast<quint16>(m_url.port(80)));
    }

    bool tls() const { return m_url.scheme() == QLatin1String("https"); }

    // Counted as they arrive: the parser gives up as soon as the reply
    // passes its limit.
    void readAll()
    {
        while (m_socket.bytesAvailable() > 0 && m_parser.state() == HttpReplyParser::State::Reading)
            m_parser.feed(m_socket.read(16 * 1024));
        if (m_parser.state() != HttpReplyParser::State::Reading)
            finish();
    }

    void finish()
    {
        if (!m_done)
            return;
        m_limit.stop();
        m_socket.abort(); // one exchange per connection; an unfinished one is abandoned
        HttpReply out;
        if (m_parser.state() == HttpReplyParser::State::Done) {
            out.received = true;
            out.status = m_parser.status();
            out.body = m_parser.body();
        }
        const HttpClient::Done done = std::exchange(m_done, {});
        deleteLater();
        done(out);
    }

    QByteArray m_bytes;
    QUrl m_url;
    HttpClient::Done m_done;
    QSslSocket m_socket; // plain TCP for http
    QTimer m_limit;
    HttpReplyParser m_parser;
};

} // namespace

QtHttpClient::QtHttpClient(int timeoutMs)
    : m_timeoutMs(timeoutMs)
{
}

QtHttpClient::~QtHttpClient() = default;

QByteArray QtHttpClient::requestBytes(const HttpRequest &request)
{
    const QUrl url = QUrl::fromEncoded(request.url, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        || url.host().isEmpty() || !isToken(request.method))
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

void QtHttpClient::send(const HttpRequest &request, Done done)
{
    new Exchange(&m_exchanges, requestBytes(request), QUrl::fromEncoded(request.url, QUrl::StrictMode),
        m_timeoutMs, m_alsoTrusted, std::move(done));
}

} // namespace ralu
