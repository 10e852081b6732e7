// The user's phone book, PhoneBook.txt in the user's folder: one contact per
// line, name "--" number. Contacts added or changed here are written as UTF-8
// with CR LF line ends; every other line keeps its bytes (TextFile). This is
// the phone book window's logic without the window: the list, its checks and
// messages, and the rewrite of the whole file after every change.
//
// Items are numbered as the window lists them: item 0 is "NEW ITEM", which
// is never stored; items 1 onward are the file's lines in file order. Lines
// written by hand that lack "--", empty ones included, are kept as they are.
// A contact is stored on one line: a CR or LF typed or pasted into the name
// or number is stored as a blank.
#pragma once

#include "engine/MessageBoxes.h"
#include "files/TextFile.h"

#include <QString>
#include <QStringList>

namespace ralu {

class PhoneBook {
public:
    static constexpr const char *kFileName = "PhoneBook.txt";
    static constexpr const char *kNewItem = "NEW ITEM";
    static constexpr int kNameLimit = 30; // characters
    static constexpr int kNumberLimit = 25; // characters
    // Some 10,000 contacts. A larger file is not read, so never rewritten:
    // the whole of it is held and listed, and rewritten at every change.
    static constexpr qint64 kMaxFileSize = 256 * 1024;
    static constexpr qsizetype kMaxLines = 20000;

    PhoneBook(const QString &folder, MessageBoxes &boxes);

    QString filePath() const { return m_path; }

    // Reads the file; a missing file is created empty. A file that exists but
    // cannot be read, is no regular file, or holds more than kMaxFileSize
    // bytes or kMaxLines lines is reported, and no change is saved over it
    // afterwards.
    void load();

    // The stored lines, item 1 first.
    QStringList lines() const { return m_file.texts(); }
    // Every item as listed, "NEW ITEM" first, each cut to
    // TextFile::kShownLength characters.
    QStringList items() const;

    struct Contact {
        QString name;
        QString number;
    };
    // The name is the text before the first "--" (the whole line when there
    // is none), the number the text between the first and a second "--".
    static Contact split(const QString &line);
    // Text without its leading and trailing blanks.
    static QString trimBlanks(const QString &text);

    enum class Outcome {
        Saved, // changed and written
        NameMissing, // told; the name box wants the focus
        NumberMissing, // told; the number box wants the focus
        Refused, // told, or nothing to do; nothing changed
        NotSaved, // the file could not be written: told, nothing changed
    };
    // name and number as typed in their boxes.
    Outcome add(const QString &name, const QString &number);
    Outcome edit(int item, const QString &name, const QString &number);
    Outcome remove(int item);

private:
    bool save(TextFile changed);

    QString m_path;
    MessageBoxes &m_boxes;
    TextFile m_file;
    QString m_readError; // set when the file exists but could not be read
};

} // namespace ralu
