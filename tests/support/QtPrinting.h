#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

// GoogleTest shows Qt strings as text in failure messages instead of as raw UTF-16 units.
// Include it in every test file of a binary that compares Qt strings: a file without it
// instantiates the printer differently, and the linker keeps only one of the two.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{';
    for (qsizetype i = 0; i < list.size(); ++i)
        *out << (i > 0 ? ", \"" : "\"") << list[i].toStdString() << '"';
    *out << '}';
}
