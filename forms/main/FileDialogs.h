#pragma once

#include <QString>

#include <functional>
#include <memory>

class QFileDialog;
class QWidget;

// The window's one file dialog, as a seam: tests answer it without a person. Filters are given
// in the classic form "description|pattern|description|pattern"; an empty answer means the
// user cancelled.
struct FileDialogs {
    using Ask = std::function<QString(QWidget* parent, const QString& classicFilter)>;

    Ask askSaveName;
    Ask askOpenName;    // a logo
    Ask askPictureName; // a picture to read a symbol from

    // Every question asked with QFileDialog.
    static FileDialogs Real();

    // "JPG文件(*.jpg)|*.jpg;*.jpeg|…" as Qt writes it: "JPG文件(*.jpg *.JPG *.jpeg *.JPEG);;…".
    // Each pattern also matches the other letter case, since Linux file names are
    // case-sensitive.
    static QString QtFilter(const QString& classicFilter);

    // The save dialog of Real(). Like the desktop's own dialogs it appends the selected
    // filter's extension to a name typed without one ("card" under PNG gives "card.png"); a
    // name with an extension of its own keeps it.
    static std::unique_ptr<QFileDialog> SaveDialog(QWidget* parent, const QString& classicFilter);

    // The extension a Qt name filter offers first, in lower case: "PNG文件(*.png *.PNG)" gives
    // "png"; empty when it offers none.
    static QString FilterExtension(const QString& qtFilter);
};
