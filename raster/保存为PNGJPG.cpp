#include "raster/保存为PNGJPG.h"

#include "raster/ImageExport.h"
#include "raster/UserMessages.h"

#include <QCursor>
#include <QFile>
#include <QGuiApplication>

#include <functional>
#include <optional>

namespace 保存为PNGJPG {

namespace {

// The window's save takes each format's own extension exactly, in lower case: ".jpg", never
// ".jpeg" or ".JPG".
std::optional<FileFormats::Format> formatFor(const QString& extension) {
    for (const FileFormats::Row& row : FileFormats::Table())
        if (extension ==
            QLatin1Char('.') + QLatin1String(row.name.data(), qsizetype(row.name.size())))
            return row.format;
    return std::nullopt;
}

// The wait cursor for the length of one export, restored on every way out.
class WaitCursorGuard {
  public:
    WaitCursorGuard() : active_(qGuiApp != nullptr) {
        if (active_) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~WaitCursorGuard() {
        if (active_) QGuiApplication::restoreOverrideCursor();
    }
    WaitCursorGuard(const WaitCursorGuard&) = delete;
    WaitCursorGuard& operator=(const WaitCursorGuard&) = delete;

  private:
    bool active_;
};

} // namespace

namespace {

SaveOutcome writeSourceFile(const ImageExport::Source& source, const QString& fileName,
                            const QString& extension, const ImageExport::Settings& settings) {
    const std::optional<FileFormats::Format> format = formatFor(extension);
    if (!format)
        return Failure(UnknownFormat, QStringLiteral("不支持的图片格式 \"%1\"").arg(extension));
    FilePlacement::Target target;
    target.path = QFile::encodeName(fileName).toStdString();
    return ImageExport::Write(source, *format, target, settings);
}

// The window's way of writing: the wait cursor while it lasts, the error message after a
// failure.
SaveOutcome withCursorAndMessage(const std::function<SaveOutcome()>& write) {
    SaveOutcome outcome;
    {
        WaitCursorGuard waitCursor;
        outcome = write();
    }
    if (!outcome.written)
        UserMessages::Show(ErrorText(outcome), QStringLiteral("错误"),
                           UserMessages::Icon::Information);
    return outcome;
}

} // namespace

SaveOutcome WritePictureFile(const QImage& picture, const QString& fileName,
                             const QString& extension, int jpegQuality, int tiffColourDepth,
                             int tiffCompression) {
    if (picture.isNull()) return Failure(NoPicture, QStringLiteral("没有可保存的图片"));
    ImageExport::Source source;
    source.picture = picture;
    return writeSourceFile(source, fileName, extension,
                           {jpegQuality, tiffColourDepth, tiffCompression});
}

SaveOutcome SaveSourceFile(const ImageExport::Source& source, const QString& fileName,
                           const QString& extension, int jpegQuality, int tiffColourDepth,
                           int tiffCompression) {
    return withCursorAndMessage([&] {
        return writeSourceFile(source, fileName, extension,
                               {jpegQuality, tiffColourDepth, tiffCompression});
    });
}

SaveOutcome SavePictureFile(const QImage& picture, const QString& fileName,
                            const QString& extension, int jpegQuality, int tiffColourDepth,
                            int tiffCompression) {
    return withCursorAndMessage([&] {
        return WritePictureFile(picture, fileName, extension, jpegQuality, tiffColourDepth,
                                tiffCompression);
    });
}

QString ErrorText(const SaveOutcome& outcome) {
    return QStringList{QStringLiteral("在保存图片的过程中发生错误:"), QString(),
                       QStringLiteral("错误号:  %1").arg(outcome.errorNumber),
                       QStringLiteral("错误描述:  %1").arg(outcome.description)}
        .join(QStringLiteral("\r\n"));
}

} // namespace 保存为PNGJPG
