// Opening the user's files only as what they must be: a regular file right
// at the path. A symbolic link there is refused, never followed: whoever can
// write the folder (beside the executable it may be shared) could point it at
// any other file of the user's, a shell start-up file say, which Ralu would
// then write into. A FIFO or a device is refused before it is opened, and
// opening never waits: a FIFO would hold the window's thread for good.
#pragma once

#include <QString>
#include <sys/types.h>

namespace ralu {

class RegularFile {
public:
    enum class Access {
        Read,
        Append, // read and append; created when missing (0666 less the umask)
    };

    RegularFile() = default;
    ~RegularFile();
    RegularFile(const RegularFile &) = delete;
    RegularFile &operator=(const RegularFile &) = delete;

    // False, with the reason in error(), when the file cannot be opened or is
    // no regular file; missing() then tells a file that does not exist (or
    // cannot: a plain file stands where a folder on the way should be).
    bool open(const QString &path, Access access);
    void close();

    int fd() const { return m_fd; }
    // As the file was when opened.
    qint64 size() const { return m_size; }
    mode_t mode() const { return m_mode; }
    bool missing() const { return m_missing; }
    const QString &error() const { return m_error; }

    // How every message about a file names it: "path: reason".
    static QString failure(const QString &path, const QString &reason);
    // The system's text for an error number.
    static QString reasonOf(int error);
    static QString tooLarge(qint64 limit);

private:
    bool fail(const QString &path, const QString &reason);

    int m_fd = -1;
    qint64 m_size = 0;
    mode_t m_mode = 0;
    bool m_missing = false;
    QString m_error;
};

} // namespace ralu
