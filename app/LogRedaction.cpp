#include "app/LogRedaction.h"

#include <QRegularExpression>

namespace ralu {

QString redactLog(QString text, const QStringList &secrets)
{
    static const QRegularExpression authorization(
        QStringLiteral("^((?:Proxy-)?Authorization\\s*:)[^\\r\\n]*"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
    static const QRegularExpression parameter(
        QStringLiteral("\\b(passw(?:or)?d|pwd|sippwd|pin|ha1|secret)(\\s*[=:]\\s*\"?)[^\\s&;,\"]*"),
        QRegularExpression::CaseInsensitiveOption);
    text.replace(authorization, QStringLiteral("\\1 <redacted>"));
    text.replace(parameter, QStringLiteral("\\1\\2<redacted>"));
    // The longest first: a secret that holds another goes whole.
    QStringList ordered = secrets;
    std::sort(ordered.begin(), ordered.end(),
        [](const QString &a, const QString &b) { return a.size() > b.size(); });
    for (const QString &secret : ordered)
        if (!secret.isEmpty())
            text.replace(secret, QStringLiteral("<redacted>"));
    return text;
}

} // namespace ralu
