#include "sip/SipStackLog.h"

#include <linphone++/linphone.hh>

#include <atomic>

Q_LOGGING_CATEGORY(lcSip, "ralu.sip")

namespace ralu {

namespace {

std::atomic<bool> g_routed { false };

class ToQtLog : public linphone::LoggingServiceListener {
public:
    void onLogMessageWritten(const std::shared_ptr<linphone::LoggingService> &, const std::string &domain,
        linphone::LogLevel level, const std::string &message) override
    {
        const QString text
            = QString::fromStdString(domain) + QStringLiteral(": ") + QString::fromStdString(message);
        if (level == linphone::LogLevel::Error || level == linphone::LogLevel::Fatal
            || level == linphone::LogLevel::Warning)
            qCWarning(lcSip).noquote() << text;
        else
            qCInfo(lcSip).noquote() << text;
    }
};

} // namespace

void routeSipStackLog(bool trace)
{
    auto service = linphone::LoggingService::get();
    static const auto listener = std::make_shared<ToQtLog>();
    if (!g_routed.exchange(true))
        service->addListener(listener); // the terminal no longer gets it
    service->setLogLevel(trace ? linphone::LogLevel::Message : linphone::LogLevel::Warning);
}

bool sipStackLogRouted()
{
    return g_routed;
}

} // namespace ralu
