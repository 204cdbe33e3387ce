#include "tests/payload/MecardReader.h"

namespace {

bool escapedAt(const QString& text, qsizetype index) {
    qsizetype backslashes = 0;
    for (qsizetype i = index - 1; i >= 0 && text.at(i) == QLatin1Char('\\'); --i) ++backslashes;
    return backslashes % 2 == 1;
}

QString unescape(const QString& raw) {
    QString value;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw.at(i) == QLatin1Char('\\') && i + 1 < raw.size()) ++i;
        value += raw.at(i);
    }
    return value;
}

} // namespace

QStringList ReaderValues(const QString& record, const QString& prefix) {
    QStringList values;
    qsizetype from = 0;
    while ((from = record.indexOf(prefix, from)) >= 0) {
        const qsizetype start = from + prefix.size();
        qsizetype end = start;
        while (end < record.size() &&
               !(record.at(end) == QLatin1Char(';') && !escapedAt(record, end)))
            ++end;
        if (end == record.size()) break; // unterminated: readers ignore it
        values << unescape(record.mid(start, end - start));
        from = end + 1;
    }
    return values;
}
