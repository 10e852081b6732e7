// The per-user settings store: text values addressed by application name,
// section and key. Names compare without regard to letter case; reading an
// absent entry yields the supplied default; deleting an application name
// removes all its sections and keys.
#pragma once

#include <QString>

namespace ralu {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual QString get(const QString &app, const QString &section, const QString &key,
                        const QString &defaultValue) const = 0;
    virtual bool save(const QString &app, const QString &section, const QString &key,
                      const QString &value) = 0;
    virtual bool deleteApp(const QString &app) = 0;
};

// The store as one INI file. The folder is made owner-only (0700) and the
// file 0600: it holds the password in plain text.
class IniSettingsStore : public SettingsStore {
public:
    explicit IniSettingsStore(QString filePath);

    // $XDG_CONFIG_HOME/Ralu/settings.ini
    static QString defaultPath();

    QString get(const QString &app, const QString &section, const QString &key,
                const QString &defaultValue) const override;
    bool save(const QString &app, const QString &section, const QString &key,
              const QString &value) override;
    bool deleteApp(const QString &app) override;

    const QString &filePath() const { return m_path; }

private:
    bool prepareFile() const;
    bool restrictFile() const;
    QString m_path;
};

} // namespace ralu
