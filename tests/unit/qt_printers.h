// Readable gtest output for Qt string types in failed expectations.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString &value, std::ostream *os)
{
    *os << '"' << value.toStdString() << '"';
}

inline void PrintTo(const QByteArray &value, std::ostream *os)
{
    *os << '"' << value.toPercentEncoding(" []/:").toStdString() << '"';
}

inline void PrintTo(const QStringList &value, std::ostream *os)
{
    *os << '{';
    for (qsizetype i = 0; i < value.size(); ++i) {
        *os << (i ? ", " : "");
        PrintTo(value.at(i), os);
    }
    *os << '}';
}
