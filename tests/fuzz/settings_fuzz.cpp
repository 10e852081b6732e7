// The settings file as an editor or QSettings may have left it: what it
// reads as is written so that it reads the same again, and a value saved
// over it reads back exactly, through IniDocument and the store on disk.
//
// Input: the file, then from its end: the value saved (up to 64 bytes) and
// the name of the entry it is saved as (up to 16 bytes), as the login's
// entries are named: "ralu Password" and so on.
#include "FuzzSupport.h"

#include "account/IniDocument.h"
#include "account/SettingsStore.h"

using namespace ralu;
using namespace ralu::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input input(data, size);
    const QString value = QString::fromUtf8(input.bytes(64));
    QString app = QStringLiteral("ralu ") + QString::fromUtf8(input.bytes(16));
    app.remove(u'/').remove(u'\\'); // the store takes no name with either
    const QByteArray content = input.rest();

    // Read, written, read again: the same document, the same text.
    IniDocument doc = IniDocument::parse(content);
    const QByteArray text = doc.toText();
    FUZZ_CHECK_EQ(IniDocument::parse(text).toText(), text);

    const QString section = QStringLiteral("Parameters"), key = QStringLiteral("Validation");
    const QString path = app + u'/' + section + u'/' + key;
    doc.setValue(path, value);
    const QByteArray saved = doc.toText();
    const IniDocument reread = IniDocument::parse(saved);
    FUZZ_CHECK_EQ(reread.value(path).value_or(QStringLiteral("(none)")), value);
    FUZZ_CHECK_EQ(reread.toText(), saved);

    // The same through the file the login is kept in.
    const QString file = filePath("settings.ini");
    writeFile(file, content);
    IniSettingsStore store(file);
    FUZZ_CHECK(store.save(app, section, key, value));
    FUZZ_CHECK(store.get(app, section, key, QStringLiteral("\x01none")) == value);
    FUZZ_CHECK_EQ(IniDocument::parse(readFile(file)).toText(), saved);
    return 0;
}
