#include "engine/CallerNumber.h"

#include "engine/VisibleText.h"

#include <QStringList>
#include <cstring>

namespace ralu {

QString CallerNumber::fromAddress(const QString &address)
{
    return visibleText(userPart(address), kMaxChars, kept);
}

QString CallerNumber::userPart(const QString &address)
{
    const QStringList colon = address.split(QLatin1Char(':'));
    const QString afterScheme = colon.size() > 1 ? colon.at(1) : colon.at(0);
    return afterScheme.split(QLatin1Char('@')).at(0);
}

bool CallerNumber::kept(char32_t c)
{
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
        return true;
    return c != 0 && c < 0x80 && std::strchr("+*#-_.!~'()&=$,;?/", int(c)) != nullptr;
}

} // namespace ralu
