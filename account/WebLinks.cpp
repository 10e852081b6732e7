#include "account/WebLinks.h"

#include <QRegularExpression>
#include <QUrl>

namespace ralu::weblinks {

QString withScheme(const QString &address)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return scheme.match(address).hasMatch() ? address : QStringLiteral("http://") + address;
}

QString portalAddress(const QString &portalBase, const QString &path)
{
    return withScheme(portalBase + path);
}

QString billedHistoryAddress(const QString &accountSite, const LoginValues &login)
{
    auto value
        = [](const QString &text) { return QString::fromLatin1(QUrl::toPercentEncoding(text.trimmed())); };
    return withScheme(accountSite) + QStringLiteral("/callhistbyuser.asp?Account=")
        + value(login.strAccountNumber) + QStringLiteral("&sippwd=") + value(login.strPassword)
        + QStringLiteral("&sipID=") + value(login.strUserName);
}

} // namespace ralu::weblinks
