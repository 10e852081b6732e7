// What never reaches the support log: passwords, PINs and the Authorization
// headers of SIP requests, whoever wrote the line (Ralu or the SIP stack).
#pragma once

#include <QString>
#include <QStringList>

namespace ralu {

// text with every Authorization and Proxy-Authorization header's value, every
// password-like parameter (password=, passwd=, pwd=, pin=, ha1=...) and every
// given secret replaced by "<redacted>".
QString redactLog(QString text, const QStringList &secrets);

} // namespace ralu
