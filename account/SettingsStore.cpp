#include "account/SettingsStore.h"

#include "account/IniDocument.h"
#include "files/RegularFile.h"
#include "files/SafeRewrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <sys/stat.h>

namespace ralu {

namespace {

// The login takes a few hundred bytes; anything far larger is not ours.
constexpr qint64 kMaxFileSize = 1 << 20;

// Names are kept apart from the '/' and '\\' of the file's key syntax.
bool usableName(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

bool usable(const SettingsChange &c)
{
    return usableName(c.app)
        && (c.kind == SettingsChange::Kind::RemoveApp || (usableName(c.section) && usableName(c.key)));
}

QString pathOf(const QString &app, const QString &section, const QString &key)
{
    return app + QLatin1Char('/') + section + QLatin1Char('/') + key;
}

} // namespace

IniSettingsStore::IniSettingsStore(QString filePath)
    : m_path(std::move(filePath))
{
}

QString IniSettingsStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Ralu/settings.ini");
}

bool IniSettingsStore::fail(const QString &message) const
{
    m_error = message;
    return false;
}

bool IniSettingsStore::read(RegularFile &file, QByteArray &text) const
{
    text.clear();
    // A missing file, or one that cannot exist (a plain file on the way), is
    // an empty store.
    if (!file.open(m_path, RegularFile::Access::Read))
        return file.missing() || fail(file.error());
    // It holds the password: a file left readable by others (an older
    // version, a copy) is made owner-only as soon as it is read, at start-up.
    if ((file.mode() & 077) != 0)
        ::fchmod(file.fd(), 0600); // a failure is told at the next save
    if (file.size() > kMaxFileSize)
        return fail(RegularFile::failure(m_path, QStringLiteral("too large to be a settings file")));
    QFile reader;
    reader.open(file.fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle);
    text = reader.read(kMaxFileSize);
    if (reader.error() != QFileDevice::NoError)
        return fail(RegularFile::failure(m_path, reader.errorString()));
    return true;
}

// A complete new file, owner-only whatever the old one's mode, put in place
// of the old one once it is on disk.
bool IniSettingsStore::replace(const QByteArray &text)
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QFileInfo::exists(folder)) {
        QDir().mkpath(QFileInfo(folder).absolutePath());
        if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
            return fail(RegularFile::failure(m_path, RegularFile::reasonOf(errno)));
    }
    QString error;
    return rewriteFile(m_path, text, &error, 0600) || fail(error);
}

QString IniSettingsStore::get(
    const QString &app, const QString &section, const QString &key, const QString &defaultValue) const
{
    RegularFile file;
    QByteArray text;
    if (!read(file, text))
        return defaultValue;
    m_error.clear();
    if (!usableName(app) || !usableName(section) || !usableName(key))
        return defaultValue;
    return IniDocument::parse(text).value(pathOf(app, section, key)).value_or(defaultValue);
}

bool IniSettingsStore::apply(const std::vector<SettingsChange> &changes)
{
    for (const SettingsChange &c : changes) {
        if (!usable(c))
            return fail(RegularFile::failure(m_path,
                QStringLiteral("the name \"%1\" cannot be stored").arg(pathOf(c.app, c.section, c.key))));
    }
    RegularFile file;
    QByteArray text;
    if (!read(file, text))
        return false; // what cannot be read is not overwritten
    IniDocument doc = IniDocument::parse(text);
    bool changed = false;
    for (const SettingsChange &c : changes) {
        switch (c.kind) {
        case SettingsChange::Kind::Set:
            changed |= doc.setValue(pathOf(c.app, c.section, c.key), c.value);
            break;
        case SettingsChange::Kind::RemoveKey:
            changed |= doc.removeKey(pathOf(c.app, c.section, c.key));
            break;
        case SettingsChange::Kind::RemoveApp:
            changed |= doc.removeGroup(c.app);
            break;
        }
    }
    m_error.clear();
    if (changed)
        return replace(doc.toText());
    // Unchanged, the file is still made owner-only: it holds the password.
    if (file.fd() >= 0 && (file.mode() & 077) != 0 && ::fchmod(file.fd(), 0600) != 0)
        return fail(RegularFile::failure(m_path, RegularFile::reasonOf(errno)));
    return true;
}

} // namespace ralu
