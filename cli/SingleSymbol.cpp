#include "SingleSymbol.h"

#include "ExitStatus.h"
#include "GuiSession.h"
#include "SymbolComposition.h"
#include "SymbolText.h"
#include "clsQRCode.h"
#include "保存为PNGJPG.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <iostream>
#include <vector>

namespace {

std::optional<std::vector<std::uint8_t>> ReadAllOf(std::FILE* stream) {
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    while (const std::size_t n = std::fread(chunk, 1, sizeof chunk, stream))
        bytes.insert(bytes.end(), chunk, chunk + n);
    if (std::ferror(stream)) return std::nullopt;
    return bytes;
}

std::optional<std::vector<std::uint8_t>> PayloadOf(const CliOptions& options) {
    if (options.text && *options.text != "-")
        return std::vector<std::uint8_t>(options.text->begin(), options.text->end());
    return ReadAllOf(stdin);
}

int Fail(int status, const std::string& message) {
    std::cerr << "quorlik-qr: " << message << '\n';
    return status;
}

std::string LevelName(int ecLevel) {
    return std::string(1, "LMQH"[ecLevel - 1]);
}

std::string DoesNotFitMessage(const EncodeSettings& settings) {
    const std::string version =
        settings.version == 0 ? "any version" : "version " + std::to_string(settings.version);
    return "the payload fits no symbol at level " + LevelName(settings.ecLevel) + " in " + version;
}

QImage RawPicture(clsQRCode& encoder, const std::vector<std::uint8_t>& payload,
                  const EncodeSettings& settings, bool withLogo) {
    return SymbolComposition::EncodeSymbol(encoder, payload.data(),
                                           static_cast<int>(payload.size()), settings.version,
                                           settings.ecLevel, settings.maskPattern, withLogo);
}

// The window's picture, or its too-long notice when rawPicture is null.
std::optional<QImage> ComposedPicture(const QImage& rawPicture, const CliOptions& options) {
    QImage logo;
    if (options.logoFile) {
        logo.load(QFile::decodeName(options.logoFile->c_str()));
        if (logo.isNull()) return std::nullopt;
    }
    return SymbolComposition::Compose(rawPicture, logo, options.logoFile.has_value());
}

// Returns the exit status; ExitDone when written.
int WritePng(const QImage& picture, const std::string& fileName) {
    const 保存为PNGJPG::SaveOutcome outcome = 保存为PNGJPG::WritePictureFile(
        picture, QFile::decodeName(fileName.c_str()), QStringLiteral(".png"), 90, 24, 6);
    if (outcome.written) return ExitDone;
    return Fail(ExitBadUsage,
                "cannot write " + fileName + ": " + outcome.description.toStdString());
}

int WritePicture(clsQRCode& encoder, const std::vector<std::uint8_t>& payload,
                 const CliOptions& options, bool fits) {
    const bool withLogo = options.compose && options.logoFile.has_value();
    QImage picture = fits ? RawPicture(encoder, payload, options.encode, withLogo) : QImage();
    std::unique_ptr<QGuiApplication> session;
    if (options.compose) {
        session = StartGuiSession();
        const std::optional<QImage> composed = ComposedPicture(picture, options);
        if (!composed) return Fail(ExitBadUsage, "cannot read the logo " + *options.logoFile);
        picture = *composed;
    }
    if (picture.isNull()) return ExitDoesNotFit;
    return WritePng(picture, *options.outputFile);
}

} // namespace

int RunSingleSymbol(const CliOptions& options) {
    const std::optional<std::vector<std::uint8_t>> payload = PayloadOf(options);
    if (!payload) return Fail(ExitBadUsage, "cannot read standard input");
    clsQRCode encoder;
    encoder.AllowKanji = options.encode.allowKanji;
    const EncodeSettings& s = options.encode;
    const std::optional<QRSymbol> symbol = encoder.EncodeToMatrix(
        payload->data(), static_cast<int>(payload->size()), s.version, s.ecLevel, s.maskPattern);
    if (options.outputFile) {
        // A composed picture of a payload that fits nothing is the notice; it is still written.
        const int status = WritePicture(encoder, *payload, options, symbol.has_value());
        if (status == ExitBadUsage) return status;
    }
    if (!symbol) return Fail(ExitDoesNotFit, DoesNotFitMessage(s));
    if (options.printInfo) std::cout << SymbolText::InfoLine(*symbol);
    if (options.printMatrix) std::cout << SymbolText::MatrixLines(*symbol);
    if (!options.printInfo && !options.printMatrix && !options.outputFile)
        std::cout << SymbolText::TerminalArt(*symbol);
    std::cout.flush();
    if (!std::cout) return Fail(ExitBadUsage, "cannot write standard output");
    return ExitDone;
}
