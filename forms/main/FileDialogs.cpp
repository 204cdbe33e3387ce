#include "FileDialogs.h"

#include <QFileDialog>
#include <QStringList>

namespace {

// The description without its own parenthesised pattern list, if it carries one.
QString bareDescription(const QString& description) {
    const qsizetype open = description.indexOf(QLatin1Char('('));
    return open < 0 ? description : description.left(open);
}

QString bothCases(const QString& pattern) {
    const QString lower = pattern.toLower();
    const QString upper = pattern.toUpper();
    return lower == upper ? lower : lower + QLatin1Char(' ') + upper;
}

} // namespace

QString FileDialogs::QtFilter(const QString& classicFilter) {
    const QStringList parts = classicFilter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries << bareDescription(parts[i]) + QLatin1Char('(') + bothCases(parts[i + 1]) +
                       QLatin1Char(')');
    return entries.join(QStringLiteral(";;"));
}

FileDialogs FileDialogs::Real() {
    FileDialogs dialogs;
    dialogs.askSaveName = [](QWidget* parent, const QString& filter) {
        return QFileDialog::getSaveFileName(parent, QString(), QString(), QtFilter(filter));
    };
    dialogs.askOpenName = [](QWidget* parent, const QString& filter) {
        return QFileDialog::getOpenFileName(parent, QString(), QString(), QtFilter(filter));
    };
    return dialogs;
}
