#include "forms/main/FileDialogs.h"

#include <QFileDialog>
#include <QRegularExpression>
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

// "*.jpg;*.jpeg" as Qt lists patterns: "*.jpg *.JPG *.jpeg *.JPEG".
QString qtPatterns(const QString& classicPatterns) {
    QStringList patterns;
    for (const QString& pattern : classicPatterns.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        patterns << bothCases(pattern);
    return patterns.join(QLatin1Char(' '));
}

// Takes the extension of the filter selected when the user accepts, whichever way the filter
// was chosen.
class SuffixingSaveDialog : public QFileDialog {
  public:
    using QFileDialog::QFileDialog;

    void accept() override {
        setDefaultSuffix(FileDialogs::FilterExtension(selectedNameFilter()));
        QFileDialog::accept();
    }
};

} // namespace

QString FileDialogs::FilterExtension(const QString& qtFilter) {
    static const QRegularExpression firstPattern(QStringLiteral("\\*\\.([^ ;)*?]+)"));
    const QRegularExpressionMatch match = firstPattern.match(qtFilter);
    return match.hasMatch() ? match.captured(1).toLower() : QString();
}

std::unique_ptr<QFileDialog> FileDialogs::SaveDialog(QWidget* parent,
                                                     const QString& classicFilter) {
    auto dialog = std::make_unique<SuffixingSaveDialog>(parent);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(QtFilter(classicFilter));
    // A native dialog reads the suffix when it is shown and whenever the filter changes.
    dialog->setDefaultSuffix(FilterExtension(dialog->selectedNameFilter()));
    QFileDialog* shown = dialog.get();
    QObject::connect(shown, &QFileDialog::filterSelected, shown, [shown](const QString& filter) {
        shown->setDefaultSuffix(FilterExtension(filter));
    });
    return dialog;
}

QString FileDialogs::QtFilter(const QString& classicFilter) {
    const QStringList parts = classicFilter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries << bareDescription(parts[i]) + QLatin1Char('(') + qtPatterns(parts[i + 1]) +
                       QLatin1Char(')');
    return entries.join(QStringLiteral(";;"));
}

FileDialogs FileDialogs::Real() {
    FileDialogs dialogs;
    dialogs.askSaveName = [](QWidget* parent, const QString& filter) {
        const std::unique_ptr<QFileDialog> dialog = SaveDialog(parent, filter);
        if (dialog->exec() != QDialog::Accepted) return QString();
        return dialog->selectedFiles().value(0);
    };
    dialogs.askOpenName = [](QWidget* parent, const QString& filter) {
        return QFileDialog::getOpenFileName(parent, QStringLiteral("选择个性图标"), QString(),
                                            QtFilter(filter));
    };
    dialogs.askPictureName = [](QWidget* parent, const QString& filter) {
        return QFileDialog::getOpenFileName(parent, QStringLiteral("识别图片"), QString(),
                                            QtFilter(filter));
    };
    return dialogs;
}
