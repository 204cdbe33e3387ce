#pragma once

#include <QString>

#include <functional>

class QWidget;

// The window's one file dialog, as a seam: tests answer it without a person. Filters are given
// in the classic form "description|pattern|description|pattern"; an empty answer means the
// user cancelled.
struct FileDialogs {
    using Ask = std::function<QString(QWidget* parent, const QString& classicFilter)>;

    Ask askSaveName;
    Ask askOpenName;

    // Both questions asked with QFileDialog.
    static FileDialogs Real();

    // "JPG文件(*.jpg)|*.jpg|…" as Qt writes it: "JPG文件(*.jpg *.JPG);;…". Each pattern also
    // matches the other letter case, since Linux file names are case-sensitive.
    static QString QtFilter(const QString& classicFilter);
};
