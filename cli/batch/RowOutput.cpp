#include "RowOutput.h"

#include "JobRunner.h"
#include "SvgSymbol.h"
#include "SymbolComposition.h"
#include "Verifier.h"
#include "clsQRCode.h"
#include "保存为PNGJPG.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// The window's export parameters.
constexpr int JpegQuality = 90;
constexpr int TiffColourDepth = 24;
constexpr int TiffCompression = 6;

QString TooLong(const QByteArray& bytes, const EncodeSettings& settings) {
    return QStringLiteral("the payload (%1 bytes) fits no symbol at level %2%3")
        .arg(bytes.size())
        .arg(QChar(u"LMQH"[settings.ecLevel - 1]))
        .arg(settings.version ? QStringLiteral(" in version %1").arg(settings.version) : QString());
}

const std::uint8_t* Data(const QByteArray& bytes) {
    return reinterpret_cast<const std::uint8_t*>(bytes.constData());
}

std::optional<QByteArray> SvgOf(clsQRCode& encoder, const QByteArray& bytes,
                                const RowOutputSettings& settings) {
    const EncodeSettings& e = settings.encode;
    const std::optional<QRSymbol> symbol = encoder.EncodeToMatrix(
        Data(bytes), static_cast<int>(bytes.size()), e.version, e.ecLevel, e.maskPattern);
    if (!symbol) return std::nullopt;
    return SvgDocument(*symbol, settings.scale);
}

QString WriteSvg(clsQRCode& encoder, ComputeGate& gate, const QByteArray& bytes,
                 const QString& fileName, const RowOutputSettings& settings) {
    std::optional<QByteArray> document;
    {
        const ComputeTurn turn(gate);
        document = SvgOf(encoder, bytes, settings);
    }
    if (!document) return TooLong(bytes, settings.encode);
    QSaveFile file(fileName);
    // Unbuffered, so that a full disk shows in write() and the file is never committed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return QStringLiteral("cannot write: ") + file.errorString();
    if (file.write(*document) != document->size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return QStringLiteral("cannot write: ") + reason;
    }
    if (!file.commit()) return QStringLiteral("cannot write: ") + file.errorString();
    return {};
}

bool HasLogo(const RowOutputSettings& settings) {
    return settings.compose && settings.paintLogo && !settings.logo.isNull();
}

// A picture of only black and white pixels loses nothing as one bit per pixel, and a 1-bit
// PNG is a small fraction of the bytes to compress and write, which is most of a batch's time.
QImage OneBitPerPixel(const QImage& blackAndWhite) {
    return blackAndWhite.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
}

QImage RowPicture(clsQRCode& encoder, const QByteArray& bytes, const RowOutputSettings& settings) {
    const EncodeSettings& e = settings.encode;
    const QImage symbol =
        SymbolComposition::EncodeSymbol(encoder, Data(bytes), static_cast<int>(bytes.size()),
                                        e.version, e.ecLevel, e.maskPattern, HasLogo(settings));
    if (symbol.isNull()) return {};
    if (HasLogo(settings))
        return SymbolComposition::Compose(symbol, settings.logo, settings.paintLogo);
    if (settings.compose)
        return OneBitPerPixel(SymbolComposition::Compose(symbol, QImage(), false));
    // Whole pixels per module with nearest-neighbour sampling: every module a sharp block.
    return OneBitPerPixel(symbol).scaled(symbol.size() * settings.scale, Qt::IgnoreAspectRatio,
                                         Qt::FastTransformation);
}

QString WriteRaster(clsQRCode& encoder, ComputeGate& gate, const QByteArray& bytes,
                    const QString& fileName, const RowOutputSettings& settings) {
    QImage picture;
    {
        const ComputeTurn turn(gate);
        picture = RowPicture(encoder, bytes, settings);
    }
    if (picture.isNull()) return TooLong(bytes, settings.encode);
    const 保存为PNGJPG::SaveOutcome outcome = 保存为PNGJPG::WritePictureFile(
        picture, fileName, '.' + settings.format, JpegQuality, TiffColourDepth, TiffCompression);
    if (!outcome.written) return QStringLiteral("cannot write: ") + outcome.description;
    return {};
}

} // namespace

QString WriteRowFile(clsQRCode& encoder, ComputeGate& gate, const QString& payload,
                     const QString& name, const RowOutputSettings& settings) {
    const QString fileName = settings.outDir + QLatin1Char('/') + name + '.' + settings.format;
    if (name.contains(QLatin1Char('/')) && !QDir().mkpath(QFileInfo(fileName).path()))
        return QStringLiteral("cannot create the folder of %1").arg(fileName);
    const QByteArray bytes = SymbolComposition::ToUtf8(payload);
    const bool svg = settings.format == QStringLiteral("svg");
    const QString error = svg ? WriteSvg(encoder, gate, bytes, fileName, settings)
                              : WriteRaster(encoder, gate, bytes, fileName, settings);
    if (!error.isEmpty() || !settings.verify) return error;
    const QString problem = [&] {
        const ComputeTurn turn(gate);
        return VerifyWrittenFile(fileName, svg, bytes);
    }();
    // Only pictures that scan stay in the folder, so it can go to print as it is.
    if (!problem.isEmpty()) QFile::remove(fileName);
    return problem.isEmpty() ? problem : problem + QStringLiteral(" (file removed)");
}
