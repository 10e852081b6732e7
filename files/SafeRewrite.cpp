#include "files/SafeRewrite.h"

#include <QSaveFile>

namespace ralu {

bool rewriteFile(const QString &path, const QByteArray &bytes, QString *error)
{
    // QSaveFile writes beside the target, syncs and renames over it on
    // commit; anything short of that leaves the target untouched. The write
    // goes out unbuffered: commit() does not see a failure of the final
    // flush of a buffered write and would put a cut file in place.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    // A short write is retried: the retry either goes on or fails with the
    // reason (no room, file too large) in errorString().
    qint64 done = 0;
    while (ok && done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        ok = n > 0;
        done += ok ? n : 0;
    }
    ok = ok && file.commit();
    if (!ok) {
        if (error)
            *error = file.error() == QFileDevice::NoError ? QStringLiteral("the file could not be written")
                                                          : file.errorString();
        file.cancelWriting();
    }
    return ok;
}

} // namespace ralu
