// The text of the settings file: INI sections of "key=value" lines in the
// syntax QSettings reads and writes, so that older files read as before and
// the files written here read the same through QSettings. Kept apart from
// QSettings because its writing can leave a cut file behind on a full disk
// while reporting success; here the caller decides how the text reaches disk.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>
#include <vector>

namespace ralu {

// Values are addressed by paths such as "App/Section/Key"; the first part
// names the INI section ("[App]", line "Section\Key=..."). Paths compare
// without regard to letter case.
class IniDocument {
public:
    // Reads as much as the text holds; lines that are not understood are
    // skipped, as QSettings skips them.
    static IniDocument parse(QByteArrayView text);
    QByteArray toText() const;

    std::optional<QString> value(const QString &path) const;

    // Each returns whether the document changed.
    bool setValue(const QString &path, const QString &value);
    bool removeKey(const QString &path);
    // Removes every value whose path starts with the part group.
    bool removeGroup(const QString &group);

private:
    struct Entry {
        QString path;
        QString value;
    };
    std::vector<Entry>::iterator find(const QString &path);
    QString storedSpelling(const QString &path) const;

    std::vector<Entry> m_entries; // in file order
};

} // namespace ralu
