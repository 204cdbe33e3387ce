#include "保存为PNGJPG.h"

#include "GifEncoding.h"
#include "UserMessages.h"

#include <QBuffer>
#include <QCursor>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

#include <algorithm>
#include <optional>

namespace 保存为PNGJPG {

namespace {

enum class Codec { Jpeg, Png, Gif, Tiff, Bmp };

struct FormatRow {
    const char* extension;
    Codec codec;
};

// Tested in this order, each an exact comparison of the whole extension.
constexpr FormatRow FormatTable[] = {
    {".jpg", Codec::Jpeg}, {".png", Codec::Png}, {".gif", Codec::Gif},
    {".tif", Codec::Tiff}, {".bmp", Codec::Bmp},
};

// The classic encoder value for LZW; every other value writes uncompressed.
constexpr int ClassicTiffLzw = 2;
// Qt's TIFF writer: 0 uncompressed, 1 LZW.
constexpr int QtTiffNone = 0;
constexpr int QtTiffLzw = 1;

struct Encoded {
    bool ok = false;
    QByteArray bytes;
    QString error;
};

SaveOutcome failure(SaveError number, const QString& description) {
    return SaveOutcome{false, number, description};
}

std::optional<Codec> codecFor(const QString& extension) {
    for (const FormatRow& row : FormatTable)
        if (extension == QLatin1String(row.extension)) return row.codec;
    return std::nullopt;
}

// JPEG, BMP, GIF and 24-bit TIFF carry no alpha; a transparent pixel is meant to look white.
QImage flattenedOntoWhite(const QImage& picture) {
    if (!picture.hasAlphaChannel()) return picture.convertToFormat(QImage::Format_RGB32);
    QImage opaque(picture.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, picture);
    return opaque;
}

QImage tiffPixels(const QImage& picture, int colourDepth) {
    switch (colourDepth) {
    case 1: return flattenedOntoWhite(picture).convertToFormat(QImage::Format_Mono);
    case 4:
    case 8: return flattenedOntoWhite(picture).convertToFormat(QImage::Format_Indexed8);
    case 32: return picture.convertToFormat(QImage::Format_ARGB32);
    default: return flattenedOntoWhite(picture).convertToFormat(QImage::Format_RGB888);
    }
}

struct QtWriterSettings {
    const char* format;
    int quality = -1;     // -1: the writer's default
    int compression = -1; // -1: the writer's default
};

Encoded encodeWithQt(const QImage& image, const QtWriterSettings& settings) {
    Encoded result;
    QBuffer buffer(&result.bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, settings.format);
    if (settings.quality >= 0) writer.setQuality(settings.quality);
    if (settings.compression >= 0) writer.setCompression(settings.compression);
    result.ok = writer.write(image);
    if (!result.ok) {
        result.error = QStringLiteral("%1 (%2)").arg(writer.errorString()).arg(writer.error());
        result.bytes.clear();
    }
    return result;
}

Encoded encodeGif(const QImage& image) {
    GifEncoding::GifResult gif = GifEncoding::EncodeGif(image);
    return Encoded{gif.encoded, std::move(gif.bytes), gif.error};
}

Encoded encode(Codec codec, const QImage& picture, int jpegQuality, int tiffColourDepth,
               int tiffCompression) {
    switch (codec) {
    case Codec::Jpeg:
        return encodeWithQt(flattenedOntoWhite(picture), {"jpeg", std::clamp(jpegQuality, 0, 100)});
    case Codec::Png: return encodeWithQt(picture, {"png"});
    case Codec::Gif: return encodeGif(flattenedOntoWhite(picture));
    case Codec::Tiff: {
        const int compression = tiffCompression == ClassicTiffLzw ? QtTiffLzw : QtTiffNone;
        return encodeWithQt(tiffPixels(picture, tiffColourDepth), {"tiff", -1, compression});
    }
    case Codec::Bmp: return encodeWithQt(flattenedOntoWhite(picture), {"bmp"});
    }
    return {};
}

// The bytes go to a temporary file beside the target, which replaces the target only once it
// is complete: a failed save never leaves half a file nor destroys the one that was there.
SaveOutcome placeFile(const QByteArray& bytes, const QString& fileName) {
    QSaveFile file(fileName);
    // Unbuffered: a buffered write fails only when commit() flushes, and commit() then still
    // renames the truncated file over the target (seen with Qt 6.4 on a full disk).
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failure(CannotCreateFile,
                       QStringLiteral("无法创建文件 %1: %2").arg(fileName, file.errorString()));
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return failure(WriteFailed, QStringLiteral("写入文件 %1 失败: %2").arg(fileName, reason));
    }
    if (!file.commit())
        return failure(CommitFailed,
                       QStringLiteral("无法完成文件 %1: %2").arg(fileName, file.errorString()));
    return SaveOutcome{true, NoError, {}};
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

SaveOutcome WritePictureFile(const QImage& picture, const QString& fileName,
                             const QString& extension, int jpegQuality, int tiffColourDepth,
                             int tiffCompression) {
    if (picture.isNull()) return failure(NoPicture, QStringLiteral("没有可保存的图片"));
    const std::optional<Codec> codec = codecFor(extension);
    if (!codec)
        return failure(UnknownFormat, QStringLiteral("不支持的图片格式 \"%1\"").arg(extension));
    const Encoded encoded = encode(*codec, picture, jpegQuality, tiffColourDepth, tiffCompression);
    if (!encoded.ok)
        return failure(EncodeFailed, QStringLiteral("图片编码失败: %1").arg(encoded.error));
    return placeFile(encoded.bytes, fileName);
}

SaveOutcome SavePictureFile(const QImage& picture, const QString& fileName,
                            const QString& extension, int jpegQuality, int tiffColourDepth,
                            int tiffCompression) {
    SaveOutcome outcome;
    {
        WaitCursorGuard waitCursor;
        outcome = WritePictureFile(picture, fileName, extension, jpegQuality, tiffColourDepth,
                                   tiffCompression);
    }
    if (!outcome.written)
        UserMessages::Show(ErrorText(outcome), QStringLiteral("错误"),
                           UserMessages::Icon::Information);
    return outcome;
}

QString ErrorText(const SaveOutcome& outcome) {
    return QStringList{QStringLiteral("在保存图片的过程中发生错误:"), QString(),
                       QStringLiteral("错误号:  %1").arg(outcome.errorNumber),
                       QStringLiteral("错误描述:  %1").arg(outcome.description)}
        .join(QStringLiteral("\r\n"));
}

} // namespace 保存为PNGJPG
