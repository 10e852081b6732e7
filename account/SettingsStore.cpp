#include "account/SettingsStore.h"

#include "account/IniDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

// The file behind the store's path.
struct IniSettingsStore::Target {
    QString path; // the store's path, or the file its symbolic link points to
    bool exists = false;
    bool ours = false; // a regular file of ours right at the store's path: kept owner-only
    mode_t mode = 0600;
};

IniSettingsStore::IniSettingsStore(QString filePath)
    : m_path(std::move(filePath))
{
}

QString IniSettingsStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Ralu/settings.ini");
}

bool IniSettingsStore::fail(const QString &reason) const
{
    m_error = QDir::toNativeSeparators(m_path) + QStringLiteral(": ") + reason;
    return false;
}

bool IniSettingsStore::locate(Target &target) const
{
    const QByteArray path = QFile::encodeName(m_path);
    target.path = m_path;
    struct stat info { };
    // Absent, or cannot exist because a folder on the way is a plain file.
    if (::lstat(path.constData(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR || fail(reasonOf(errno));
    const bool link = S_ISLNK(info.st_mode);
    if (link) {
        if (::stat(path.constData(), &info) != 0)
            return fail(errno == ENOENT ? QStringLiteral("a link to a missing file") : reasonOf(errno));
        target.path = QFileInfo(m_path).canonicalFilePath();
    }
    if (S_ISDIR(info.st_mode))
        return fail(reasonOf(EISDIR));
    if (!S_ISREG(info.st_mode))
        return fail(QStringLiteral("not a regular file"));
    target.exists = true;
    target.ours = !link && info.st_uid == ::geteuid();
    target.mode = info.st_mode & 07777;
    return true;
}

bool IniSettingsStore::read(const Target &target, QByteArray &text) const
{
    QFile file(target.path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    if (file.size() > kMaxFileSize)
        return fail(QStringLiteral("too large to be a settings file"));
    text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    return true;
}

// Writes the text into a new file beside the target and renames it over the
// target once it is complete and on disk.
bool IniSettingsStore::replace(const Target &target, const QByteArray &text)
{
    const QFileInfo info(target.path);
    const QString folder = info.absolutePath();
    if (!target.exists && !QFileInfo::exists(folder)) {
        QDir().mkpath(QFileInfo(folder).absolutePath());
        if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
            return fail(reasonOf(errno));
    }
    QByteArray temp
        = QFile::encodeName(folder + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC); // created 0600
    if (fd < 0)
        return fail(reasonOf(errno));
    // A file that is not ours (another owner's, or behind a link) keeps its mode.
    bool ok = !target.exists || target.ours || ::fchmod(fd, target.mode) == 0;
    int error = ok ? 0 : errno;
    qsizetype done = 0;
    while (ok && done < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + done, size_t(text.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        error = n == 0 ? EIO : errno;
        done += ok ? n : 0;
    }
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        error = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temp.constData(), QFile::encodeName(target.path).constData()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temp.constData());
        return fail(reasonOf(error));
    }
    return true;
}

QString IniSettingsStore::get(
    const QString &app, const QString &section, const QString &key, const QString &defaultValue) const
{
    Target target;
    QByteArray text;
    if (!locate(target) || (target.exists && !read(target, text)))
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
            return fail(
                QStringLiteral("the name \"%1\" cannot be stored").arg(pathOf(c.app, c.section, c.key)));
    }
    Target target;
    QByteArray text;
    if (!locate(target) || (target.exists && !read(target, text)))
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
    return !changed || replace(target, doc.toText());
}

} // namespace ralu
