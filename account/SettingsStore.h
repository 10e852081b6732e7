// The per-user settings store: text values addressed by application name,
// section and key. Names compare without regard to letter case; reading an
// absent entry yields the supplied default; deleting an application name
// removes all its sections and keys.
#pragma once

#include <QString>
#include <vector>

namespace ralu {

class RegularFile;

struct SettingsChange {
    enum class Kind { Set, RemoveKey, RemoveApp };
    Kind kind;
    QString app, section, key, value;

    static SettingsChange set(QString app, QString section, QString key, QString value)
    {
        return { Kind::Set, std::move(app), std::move(section), std::move(key), std::move(value) };
    }
    static SettingsChange removeKey(QString app, QString section, QString key)
    {
        return { Kind::RemoveKey, std::move(app), std::move(section), std::move(key), QString() };
    }
    static SettingsChange removeApp(QString app) { return { Kind::RemoveApp, std::move(app), {}, {}, {} }; }
};

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The default also when the store cannot be read; lastError() then says why.
    virtual QString get(const QString &app, const QString &section, const QString &key,
        const QString &defaultValue) const = 0;
    // Makes all the changes or, on failure, none of them.
    virtual bool apply(const std::vector<SettingsChange> &changes) = 0;
    // Why the last get or apply failed, for the user: empty after a success.
    // A store that does not exist yet reads as empty, without error.
    virtual QString lastError() const = 0;

    bool save(const QString &app, const QString &section, const QString &key, const QString &value)
    {
        return apply({ SettingsChange::set(app, section, key, value) });
    }
    bool deleteApp(const QString &app) { return apply({ SettingsChange::removeApp(app) }); }
};

// The store as one INI file, owner-only (0600, its folder 0700 when created
// here): it holds the password in plain text. Every change writes a complete
// new file beside the old one and puts it in place only once it is on disk,
// so a failed write (full disk, no permission) leaves the old file whole; a
// file found readable by others is made owner-only when it is read. Only a regular file is read or replaced:
// a symbolic link at the path is refused (RegularFile.h), never followed.
class IniSettingsStore : public SettingsStore {
public:
    explicit IniSettingsStore(QString filePath);

    // $XDG_CONFIG_HOME/Ralu/settings.ini
    static QString defaultPath();

    QString get(const QString &app, const QString &section, const QString &key,
        const QString &defaultValue) const override;
    bool apply(const std::vector<SettingsChange> &changes) override;
    QString lastError() const override { return m_error; }

    const QString &filePath() const { return m_path; }

private:
    bool read(RegularFile &file, QByteArray &text) const;
    bool replace(const QByteArray &text);
    bool fail(const QString &message) const;

    QString m_path;
    mutable QString m_error;
};

} // namespace ralu
