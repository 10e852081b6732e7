#include "calls/LinkNumber.h"

#include <QRegularExpression>
#include <QUrl>

namespace ralu {

namespace {

// The blanks and the visual separators people and links put into numbers.
bool separator(QChar c)
{
    return c.isSpace() || c == QLatin1Char('-') || c == QLatin1Char('.') || c == QLatin1Char('(')
        || c == QLatin1Char(')');
}

QString withoutScheme(const QString &text)
{
    for (const char *scheme : { "tel:", "sip:", "sips:", "callto:" }) {
        const QLatin1String prefix(scheme);
        if (!text.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        QString rest = text.mid(prefix.size());
        if (rest.startsWith(QLatin1String("//"))) // callto://number
            rest.remove(0, 2);
        // The user part of a SIP address; no parameters or headers.
        const qsizetype end = rest.indexOf(QRegularExpression(QStringLiteral("[@;?/]")));
        return end < 0 ? rest : rest.left(end);
    }
    return text;
}

} // namespace

std::optional<QString> numberFromLink(const QString &text)
{
    const QString decoded = QUrl::fromPercentEncoding(text.trimmed().toUtf8());
    QString number;
    const QString raw = withoutScheme(decoded);
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c.isDigit() && c.unicode() < 128)
            number += c;
        else if (c == QLatin1Char('*'))
            number += c;
        else if (c == QLatin1Char('+') && number.isEmpty())
            continue; // the number box takes the country code without it
        else if (!separator(c))
            return std::nullopt;
    }
    if (number.isEmpty() || number.size() > kMaxLinkNumber)
        return std::nullopt;
    return number;
}

} // namespace ralu
