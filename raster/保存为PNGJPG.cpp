#include "raster/保存为PNGJPG.h"

#include "raster/ImageExport.h"

#include <QFile>

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

} // namespace

SaveOutcome WriteSourceFile(const ImageExport::Source& source, const QString& fileName,
                            const QString& extension, int jpegQuality, int tiffColourDepth,
                            int tiffCompression) {
    const std::optional<FileFormats::Format> format = formatFor(extension);
    if (!format)
        return Failure(UnknownFormat, QStringLiteral("不支持的图片格式 \"%1\"").arg(extension));
    FilePlacement::Target target;
    target.path = QFile::encodeName(fileName).toStdString();
    return ImageExport::Write(source, *format, target,
                              {jpegQuality, tiffColourDepth, tiffCompression});
}

SaveOutcome WritePictureFile(const QImage& picture, const QString& fileName,
                             const QString& extension, int jpegQuality, int tiffColourDepth,
                             int tiffCompression) {
    if (picture.isNull()) return Failure(NoPicture, QStringLiteral("没有可保存的图片"));
    ImageExport::Source source;
    source.picture = picture;
    return WriteSourceFile(source, fileName, extension, jpegQuality, tiffColourDepth,
                           tiffCompression);
}

} // namespace 保存为PNGJPG
