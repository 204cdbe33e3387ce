#include "cli/batch/OutputName.h"

#include "cli/Quoted.h"

#include <QStringList>

namespace {

QString ProblemWithPart(const QString& part) {
    if (part.isEmpty()) return QStringLiteral("has an empty folder part");
    if (part == QStringLiteral(".") || part == QStringLiteral(".."))
        return QStringLiteral("would leave the output folder");
    for (QChar c : part) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return QStringLiteral("contains a control character");
        // On Linux a backslash is an ordinary character, but a name like "..\\x" was meant as
        // a path by whoever wrote it on Windows; refusing it is the safe reading.
        if (c == QLatin1Char('\\')) return QStringLiteral("contains a backslash");
    }
    return {};
}

} // namespace

OutputName MakeOutputName(const QString& fileCell, int rowNumber) {
    const QString name = fileCell.trimmed();
    if (name.isEmpty()) return {QString::number(rowNumber), {}};
    if (name.startsWith(QLatin1Char('/')))
        return {{}, QStringLiteral("file name %1 is an absolute path").arg(QuotedText(name))};
    for (const QString& part : name.split(QLatin1Char('/'))) {
        const QString problem = ProblemWithPart(part);
        if (!problem.isEmpty())
            return {{}, QStringLiteral("file name %1 %2").arg(QuotedText(name), problem)};
    }
    return {name, {}};
}
