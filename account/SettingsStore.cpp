#include "account/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace ralu {

namespace {

// The stored spelling of a name among existing ones, ignoring case; the name
// itself when none matches.
QString storedName(const QStringList &existing, const QString &name)
{
    for (const QString &candidate : existing) {
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return candidate;
    }
    return name;
}

// Group and key names are kept apart from QSettings' own '/' and '\\' syntax.
bool usableName(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

struct Resolved {
    QString app, section, key;
};

Resolved resolve(QSettings &settings, const QString &app, const QString &section, const QString &key)
{
    Resolved r;
    r.app = storedName(settings.childGroups(), app);
    settings.beginGroup(r.app);
    r.section = storedName(settings.childGroups(), section);
    settings.beginGroup(r.section);
    r.key = storedName(settings.childKeys(), key);
    settings.endGroup();
    settings.endGroup();
    return r;
}

} // namespace

IniSettingsStore::IniSettingsStore(QString filePath) : m_path(std::move(filePath)) {}

QString IniSettingsStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Ralu/settings.ini");
}

bool IniSettingsStore::prepareFile() const
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder))
        return false;
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!QFile::exists(m_path)) {
        QFile file(m_path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.close();
    }
    return restrictFile();
}

bool IniSettingsStore::restrictFile() const
{
    return QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
}

QString IniSettingsStore::get(const QString &app, const QString &section, const QString &key,
                              const QString &defaultValue) const
{
    if (!usableName(app) || !usableName(section) || !usableName(key) || !QFile::exists(m_path))
        return defaultValue;
    QSettings settings(m_path, QSettings::IniFormat);
    const Resolved r = resolve(settings, app, section, key);
    return settings.value(r.app + QLatin1Char('/') + r.section + QLatin1Char('/') + r.key, defaultValue)
        .toString();
}

bool IniSettingsStore::save(const QString &app, const QString &section, const QString &key,
                            const QString &value)
{
    if (!usableName(app) || !usableName(section) || !usableName(key) || !prepareFile())
        return false;
    bool ok = false;
    {
        QSettings settings(m_path, QSettings::IniFormat);
        const Resolved r = resolve(settings, app, section, key);
        settings.setValue(r.app + QLatin1Char('/') + r.section + QLatin1Char('/') + r.key, value);
        settings.sync();
        ok = settings.status() == QSettings::NoError;
    }
    return restrictFile() && ok;
}

bool IniSettingsStore::deleteApp(const QString &app)
{
    if (!usableName(app) || !QFile::exists(m_path))
        return false;
    bool ok = false;
    {
        QSettings settings(m_path, QSettings::IniFormat);
        const QStringList groups = settings.childGroups();
        for (const QString &group : groups) {
            if (group.compare(app, Qt::CaseInsensitive) == 0)
                settings.remove(group);
        }
        settings.sync();
        ok = settings.status() == QSettings::NoError;
    }
    return restrictFile() && ok;
}

} // namespace ralu
