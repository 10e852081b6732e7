#include "account/QtHttpClient.h"

#include <QEventLoop>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace ralu {

QtHttpClient::QtHttpClient(int timeoutMs)
    : m_timeoutMs(timeoutMs)
{
    // The billing server is reached directly, whatever proxy the desktop
    // names for browsing.
    m_network.setProxy(QNetworkProxy::NoProxy);
}

HttpReply QtHttpClient::send(const HttpRequest &request)
{
    const QUrl url = QUrl::fromEncoded(request.url, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("http"))
        return {};

    QNetworkRequest req(url);
    for (const auto &header : request.headers)
        req.setRawHeader(header.first, header.second);

    std::unique_ptr<QNetworkReply> reply;
    if (request.method == "GET" && request.body.isEmpty())
        reply.reset(m_network.get(req));
    else
        reply.reset(m_network.sendCustomRequest(req, request.method, request.body));
    if (!reply)
        return {};

    if (!reply->isFinished()) {
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        limit.setTimerType(Qt::PreciseTimer); // the time-out as given, not 5 % early
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        limit.start(m_timeoutMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (!reply->isFinished()) {
        reply->abort();
        return {};
    }

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return {}; // no HTTP reply at all: refused, reset, unreachable
    HttpReply out;
    out.received = true;
    out.status = status.toInt();
    out.body = reply->readAll();
    return out;
}

} // namespace ralu
