// Replacing the whole content of one of the user's files without ever
// leaving a half-written file behind.
#pragma once

#include <QByteArray>
#include <QString>

namespace ralu {

// A new content for a file, written piece by piece into a new file in the
// same folder and put in the old file's place only once it is complete and
// on disk. Until then, and whatever fails (no room, no permission, the
// process dying half way), the old file stays exactly as it was. The new
// file takes the path itself: a symbolic link there is replaced, never
// followed.
class FileReplacement {
public:
    // mode: the new file's permissions; -1 keeps those of the file there, or
    // gives a new file 0666 less the umask.
    explicit FileReplacement(QString path, int mode = -1);
    ~FileReplacement(); // abandons what was written unless committed
    FileReplacement(const FileReplacement &) = delete;
    FileReplacement &operator=(const FileReplacement &) = delete;

    bool write(const char *data, qint64 size);
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }
    // Puts the new file in place; false when anything failed since it began.
    bool commit();
    // "path: reason" once something failed.
    const QString &error() const { return m_error; }

private:
    bool fail(int error);
    void abandon();

    QString m_path;
    QByteArray m_temp; // the new file's name while it is written
    int m_fd = -1;
    QString m_error;
};

// The whole content at once; false with the reason in *error when given.
bool rewriteFile(const QString &path, const QByteArray &bytes, QString *error = nullptr, int mode = -1);

} // namespace ralu
