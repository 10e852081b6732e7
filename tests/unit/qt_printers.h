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

#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>

inline void PrintTo(const QPoint &value, std::ostream *os)
{
    *os << '(' << value.x() << ", " << value.y() << ')';
}

inline void PrintTo(const QSize &value, std::ostream *os)
{
    *os << value.width() << 'x' << value.height();
}

inline void PrintTo(const QRect &value, std::ostream *os)
{
    *os << value.width() << 'x' << value.height() << '+' << value.x() << '+' << value.y();
}

inline void PrintTo(const QRegion &value, std::ostream *os)
{
    *os << '{';
    bool first = true;
    for (const QRect &rect : value) {
        *os << (first ? "" : " ");
        PrintTo(rect, os);
        first = false;
    }
    *os << '}';
}
