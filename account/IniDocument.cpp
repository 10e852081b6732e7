#include "account/IniDocument.h"

#include <QStringDecoder>
#include <QStringList>
#include <algorithm>

namespace ralu {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

int hexValue(char16_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

int octValue(char c)
{
    return c >= '0' && c <= '7' ? c - '0' : -1;
}

// UTF-8 as it is: a U+FEFF after an escape or a quote is a character of
// the value, not a byte order mark that QString::fromUtf8 would drop.
QString fromUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(
        QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

QString groupOf(const QString &path)
{
    const qsizetype slash = path.indexOf(u'/');
    return slash < 0 ? QString() : path.left(slash);
}

// One logical line from pos: blank lines and ';' comments are skipped; the
// line ends at an unquoted line break or ';'. equals is the offset of the
// first unquoted '=' in it, or -1.
bool readLine(QByteArrayView data, qsizetype &pos, QByteArrayView &line, qsizetype &equals)
{
    const qsizetype n = data.size();
    for (;;) {
        while (pos < n && isBlank(data[pos]))
            ++pos;
        if (pos == n)
            return false;
        if (data[pos] != ';')
            break;
        while (pos < n && data[pos] != '\n' && data[pos] != '\r')
            ++pos;
    }
    const qsizetype start = pos;
    bool inQuotes = false;
    equals = -1;
    while (pos < n) {
        const char ch = data[pos];
        if (ch == '\\') { // the next character (or line break pair) is taken as it is
            ++pos;
            if (pos < n) {
                const char escaped = data[pos++];
                if (pos < n
                    && ((escaped == '\n' && data[pos] == '\r') || (escaped == '\r' && data[pos] == '\n')))
                    ++pos;
            }
            continue;
        }
        if (ch == '"')
            inQuotes = !inQuotes;
        else if (!inQuotes && ch == '=' && equals < 0)
            equals = pos - start;
        else if (!inQuotes && (ch == '\n' || ch == '\r' || ch == ';'))
            break;
        ++pos;
    }
    line = data.sliced(start, std::min(pos, n) - start);
    return true;
}

// Keys: '/' is written '\', characters other than letters, digits, '_', '-'
// and '.' as %XX or %UXXXX. A last '/' is %2F: a '\' before the '=' would
// take the '=' into the key.
QByteArray escapeKey(const QString &key)
{
    QByteArray out;
    for (qsizetype i = 0; i < key.size(); ++i) {
        const char16_t ch = key.at(i).unicode();
        if (ch == '/' && i + 1 < key.size()) {
            out += '\\';
        } else if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')
            || ch == '_' || ch == '-' || ch == '.') {
            out += char(ch);
        } else if (ch <= 0xFF) {
            out += '%' + QByteArray::number(ch, 16).toUpper().rightJustified(2, '0');
        } else {
            out += "%U" + QByteArray::number(ch, 16).toUpper().rightJustified(4, '0');
        }
    }
    return out;
}

QString unescapeKey(QByteArrayView key)
{
    const QString decoded = QString::fromUtf8(key);
    QString out;
    qsizetype i = 0;
    while (i < decoded.size()) {
        const QChar ch = decoded.at(i);
        if (ch == u'\\') {
            out += u'/';
            ++i;
            continue;
        }
        if (ch == u'%' && i + 1 < decoded.size()) {
            const bool wide = decoded.at(i + 1) == u'U';
            const qsizetype first = i + (wide ? 2 : 1);
            const qsizetype digits = wide ? 4 : 2;
            bool ok = false;
            const ushort code = first + digits <= decoded.size()
                ? QStringView(decoded).sliced(first, digits).toUShort(&ok, 16)
                : 0;
            if (ok) {
                out += QChar(code);
                i = first + digits;
                continue;
            }
        }
        out += ch;
        ++i;
    }
    return out;
}

// Values: C escapes, quotes around text with ',', ';', '=' or outer blanks,
// and '@' doubled at the start ('@' introduces QSettings' typed values).
QByteArray escapeValue(const QString &value)
{
    QString out;
    bool needsQuotes = false;
    bool escapeNextIfHex = false; // a hex digit right after \x.. would join it
    const QString text = value.startsWith(u'@') ? u'@' + value : value;
    for (const QChar qch : text) {
        const char16_t ch = qch.unicode();
        if (ch == ';' || ch == ',' || ch == '=')
            needsQuotes = true;
        if (escapeNextIfHex && hexValue(ch) >= 0) {
            out += QStringLiteral("\\x") + QString::number(ch, 16);
            continue;
        }
        escapeNextIfHex = false;
        static constexpr char16_t kNamed[][2] = { { '\a', 'a' }, { '\b', 'b' }, { '\f', 'f' }, { '\n', 'n' },
            { '\r', 'r' }, { '\t', 't' }, { '\v', 'v' }, { '"', '"' }, { '\\', '\\' } };
        const auto named
            = std::find_if(std::begin(kNamed), std::end(kNamed), [ch](const auto &e) { return e[0] == ch; });
        if (named != std::end(kNamed)) {
            out += u'\\';
            out += QChar((*named)[1]);
        } else if (ch == 0) {
            out += QStringLiteral("\\0");
            escapeNextIfHex = true;
        } else if (ch <= 0x1F) {
            out += QStringLiteral("\\x") + QString::number(ch, 16);
            escapeNextIfHex = true;
        } else {
            out += qch;
        }
    }
    if (needsQuotes || out.startsWith(u' ') || out.endsWith(u' '))
        out = u'"' + out + u'"';
    return out.toUtf8();
}

// QSettings' own markers for values that are not plain text.
QString fromStored(const QString &s)
{
    if (!s.startsWith(u'@'))
        return s;
    if (s.startsWith(QLatin1String("@@")))
        return s.mid(1);
    if (s == QLatin1String("@Invalid()"))
        return QString();
    if (s.startsWith(QLatin1String("@String(")) && s.endsWith(u')'))
        return s.mid(8).chopped(1);
    if (s.startsWith(QLatin1String("@ByteArray(")) && s.endsWith(u')'))
        return QString::fromUtf8(s.mid(11).chopped(1).toLatin1());
    return s;
}

QString unescapeValue(QByteArrayView s)
{
    static constexpr char kNamed[][2]
        = { { 'a', '\a' }, { 'b', '\b' }, { 'f', '\f' }, { 'n', '\n' }, { 'r', '\r' }, { 't', '\t' },
              { 'v', '\v' }, { '"', '"' }, { '?', '?' }, { '\'', '\'' }, { '\\', '\\' } };
    QStringList items;
    QString current;
    bool list = false, inQuotes = false, quoted = false, chopAtEnd = true;
    const qsizetype n = s.size();
    qsizetype i = 0;
    qsizetype keep = 0; // blanks before this position of current are kept
    const auto skipBlanks = [&] {
        while (i < n && (s[i] == ' ' || s[i] == '\t'))
            ++i;
        keep = current.size();
    };
    const auto chopBlanks = [&] {
        while (current.size() > keep && (current.back() == u' ' || current.back() == u'\t'))
            current.chop(1);
    };
    skipBlanks();
    while (i < n) {
        const char ch = s[i];
        if (ch == '\\') {
            if (++i == n || (s[i] == 'x' && i + 1 == n)) {
                chopAtEnd = false;
                break;
            }
            const char e = s[i++];
            const auto named = std::find_if(
                std::begin(kNamed), std::end(kNamed), [e](const auto &m) { return m[0] == e; });
            if (named != std::end(kNamed)) {
                current += QLatin1Char((*named)[1]);
            } else if (e == 'x' || octValue(e) >= 0) {
                const int base = e == 'x' ? 16 : 8;
                const auto digit = [base](char c) { return base == 16 ? hexValue(uchar(c)) : octValue(c); };
                const bool any = e != 'x' || digit(s[i]) >= 0;
                char16_t code = e == 'x' ? 0 : char16_t(octValue(e));
                while (i < n && digit(s[i]) >= 0)
                    code = char16_t(code * base + digit(s[i++]));
                if (any)
                    current += QChar(code);
            } else if ((e == '\n' || e == '\r') && i < n && (s[i] == '\n' || s[i] == '\r') && s[i] != e) {
                ++i; // an escaped line break pair
            }
            keep = current.size();
        } else if (ch == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipBlanks();
        } else if (ch == ',' && !inQuotes) { // a list: kept as its items joined by ','
            if (!quoted)
                chopBlanks();
            list = true;
            items << current;
            current.clear();
            quoted = false;
            ++i;
            skipBlanks();
        } else {
            qsizetype j = i + 1;
            while (j < n && s[j] != '\\' && s[j] != '"' && s[j] != ',')
                ++j;
            current += fromUtf8(s.sliced(i, j - i));
            i = j;
        }
    }
    if (chopAtEnd && !quoted)
        chopBlanks();
    if (!list)
        return fromStored(current);
    items << current;
    for (QString &item : items)
        item = fromStored(item);
    return items.join(u',');
}

} // namespace

IniDocument IniDocument::parse(QByteArrayView text)
{
    IniDocument doc;
    if (text.startsWith("\xef\xbb\xbf"))
        text = text.sliced(3);
    QString group;
    qsizetype pos = 0;
    QByteArrayView line;
    qsizetype equals = -1;
    while (readLine(text, pos, line, equals)) {
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            const QByteArrayView name = line.sliced(1, (close < 0 ? line.size() : close) - 1).trimmed();
            if (name.compare("general", Qt::CaseInsensitive) == 0)
                group.clear();
            else if (name.compare("%general", Qt::CaseInsensitive) == 0)
                group = QString::fromLatin1(name.sliced(1));
            else
                group = unescapeKey(name);
            continue;
        }
        if (equals < 0)
            continue;
        const QString key = unescapeKey(line.first(equals).trimmed());
        doc.setValue(group.isEmpty() ? key : group + u'/' + key, unescapeValue(line.sliced(equals + 1)));
    }
    return doc;
}

QByteArray IniDocument::toText() const
{
    QStringList groups; // in order of first appearance, values without a group first
    for (const Entry &e : m_entries) {
        const QString group = groupOf(e.path);
        if (!groups.contains(group, Qt::CaseInsensitive))
            groups << group;
    }
    if (groups.removeAll(QString()) > 0)
        groups.prepend(QString());

    QByteArray text;
    for (const QString &group : groups) {
        if (!text.isEmpty())
            text += '\n';
        QByteArray name = group.isEmpty() ? QByteArray("General") : escapeKey(group);
        if (!group.isEmpty() && name.compare("general", Qt::CaseInsensitive) == 0)
            name.prepend('%');
        text += '[' + name + "]\n";
        for (const Entry &e : m_entries) {
            if (groupOf(e.path).compare(group, Qt::CaseInsensitive) != 0)
                continue;
            const QString key = group.isEmpty() ? e.path : e.path.mid(group.size() + 1);
            text += escapeKey(key) + '=' + escapeValue(e.value) + '\n';
        }
    }
    return text;
}

std::vector<IniDocument::Entry>::iterator IniDocument::find(const QString &path)
{
    return std::find_if(m_entries.begin(), m_entries.end(),
        [&](const Entry &e) { return e.path.compare(path, Qt::CaseInsensitive) == 0; });
}

std::optional<QString> IniDocument::value(const QString &path) const
{
    for (const Entry &e : m_entries) {
        if (e.path.compare(path, Qt::CaseInsensitive) == 0)
            return e.value;
    }
    return std::nullopt;
}

bool IniDocument::setValue(const QString &path, const QString &value)
{
    const auto it = find(path);
    if (it == m_entries.end()) {
        m_entries.push_back({ storedSpelling(path), value });
        return true;
    }
    if (it->value == value)
        return false;
    it->value = value;
    return true;
}

bool IniDocument::removeKey(const QString &path)
{
    const auto it = find(path);
    if (it == m_entries.end())
        return false;
    m_entries.erase(it);
    return true;
}

bool IniDocument::removeGroup(const QString &group)
{
    const auto end = std::remove_if(m_entries.begin(), m_entries.end(),
        [&](const Entry &e) { return groupOf(e.path).compare(group, Qt::CaseInsensitive) == 0; });
    const bool changed = end != m_entries.end();
    m_entries.erase(end, m_entries.end());
    return changed;
}

// A new path takes the spelling of the groups it shares with stored ones, so
// that one section is not written twice in two spellings.
QString IniDocument::storedSpelling(const QString &path) const
{
    QStringList parts = path.split(u'/');
    qsizetype best = 0;
    QStringList bestParts;
    for (const Entry &e : m_entries) {
        const QStringList have = e.path.split(u'/');
        qsizetype same = 0;
        while (same + 1 < parts.size() && same + 1 < have.size()
            && have[same].compare(parts[same], Qt::CaseInsensitive) == 0)
            ++same;
        if (same > best) {
            best = same;
            bestParts = have;
        }
    }
    for (qsizetype i = 0; i < best; ++i)
        parts[i] = bestParts[i];
    return parts.join(u'/');
}

} // namespace ralu
