#include "account/PhoneBook.h"

#include "files/RegularFile.h"

#include <QDir>
#include <QFile>

namespace ralu {

namespace {

const QString kSeparator = QStringLiteral("--");

void tell(MessageBoxes &boxes, const char *text)
{
    boxes.show(QString::fromLatin1(text), MessageBoxes::Icon::None);
}

// The stored line of a contact: one line whatever was pasted into the
// boxes, so a line break in either becomes a blank.
QString entryOf(const QString &name, const QString &number)
{
    const auto oneLine = [](QString text) {
        return PhoneBook::trimBlanks(
            text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    };
    return oneLine(name) + kSeparator + oneLine(number);
}

} // namespace

PhoneBook::PhoneBook(const QString &folder, MessageBoxes &boxes)
    : m_path(QDir(folder).filePath(QString::fromLatin1(kFileName)))
    , m_boxes(boxes)
{
}

void PhoneBook::load()
{
    m_file = TextFile();
    m_readError.clear();
    if (!m_file.read(m_path, &m_readError, kMaxFileSize, kMaxLines)) {
        m_boxes.show(
            QStringLiteral("Could not read the phone book: ") + m_readError, MessageBoxes::Icon::Error);
        return;
    }
    if (QFile::exists(m_path))
        return;
    // NewOnly: never truncate a file, nor follow a link, that appeared in
    // the meantime.
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        m_boxes.show(QStringLiteral("Could not create the phone book: ")
                + RegularFile::failure(m_path, file.errorString()),
            MessageBoxes::Icon::Error);
}

QStringList PhoneBook::items() const
{
    QStringList result { QString::fromLatin1(kNewItem) };
    for (const TextFile::Line &line : m_file.lines())
        result.append(TextFile::shown(line.text()));
    return result;
}

PhoneBook::Contact PhoneBook::split(const QString &line)
{
    const QStringList pieces = line.split(kSeparator);
    return { pieces.value(0), pieces.value(1) };
}

QString PhoneBook::trimBlanks(const QString &text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

PhoneBook::Outcome PhoneBook::add(const QString &name, const QString &number)
{
    if (trimBlanks(name).isEmpty()) {
        tell(m_boxes, " Please Enter Buddy Name ");
        return Outcome::NameMissing;
    }
    if (number.isEmpty()) {
        tell(m_boxes, "Please Enter Phone Number.");
        return Outcome::NumberMissing;
    }
    // The name as typed, blanks and all, against each stored name.
    const QString typed = name.toUpper();
    for (const TextFile::Line &line : m_file.lines()) {
        if (split(line.text()).name.toUpper() == typed) {
            tell(m_boxes, " Oops..!!! Name Already Exist.Please Enter Another Name ");
            return Outcome::Refused;
        }
    }
    TextFile changed = m_file;
    changed.lines().append(TextFile::Line(entryOf(name, number)));
    return save(std::move(changed)) ? Outcome::Saved : Outcome::NotSaved;
}

PhoneBook::Outcome PhoneBook::edit(int item, const QString &name, const QString &number)
{
    if (item < 1 || item > m_file.lines().size())
        return Outcome::Refused;
    if (name.isEmpty()) {
        tell(m_boxes, " Please Enter Buddys Name ");
        return Outcome::NameMissing;
    }
    if (number.isEmpty()) {
        tell(m_boxes, "Please Enter Phone Number.");
        return Outcome::NumberMissing;
    }
    const TextFile::Line entry(entryOf(name, number));
    TextFile changed = m_file;
    // Saved unchanged, a contact keeps the bytes it was read from.
    if (entry.text() != changed.lines().at(item - 1).text())
        changed.lines()[item - 1] = entry;
    return save(std::move(changed)) ? Outcome::Saved : Outcome::NotSaved;
}

PhoneBook::Outcome PhoneBook::remove(int item)
{
    if (item == 0) {
        tell(m_boxes, "Can't Delete.");
        return Outcome::Refused;
    }
    if (item < 0 || item > m_file.lines().size())
        return Outcome::Refused;
    TextFile changed = m_file;
    changed.lines().removeAt(item - 1);
    return save(std::move(changed)) ? Outcome::Saved : Outcome::NotSaved;
}

bool PhoneBook::save(TextFile changed)
{
    QString error = m_readError;
    if (error.isEmpty() && changed.write(m_path, &error)) {
        m_file = std::move(changed);
        return true;
    }
    m_boxes.show(QStringLiteral("Could not save the phone book: ") + error, MessageBoxes::Icon::Error);
    return false;
}

} // namespace ralu
