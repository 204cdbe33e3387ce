#include "cli/batch/Verifier.h"

#include "reading/PictureReader.h"
#include "reading/SymbolReader.h"

#include <new>
#include <vector>

QString VerifyEncodedFile(const QByteArray& file, const QByteArray& payload) {
    std::vector<ReadSymbol> symbols;
    const PictureReader::Outcome read =
        PictureReader::Decode(file, PictureReader::Kind::ReadBack, [&](const QImage& picture) {
            std::vector<ReadSymbol> found = ReadQrSymbols(picture);
            symbols.insert(symbols.end(), found.begin(), found.end());
        });
    if (read.failure == PictureReader::Failure::OutOfMemory)
        return QStringLiteral("--verify: not enough memory to read the encoded file back");
    if (!read.ok()) return QStringLiteral("--verify: the encoded file cannot be read back");
    if (symbols.empty()) return QStringLiteral("--verify: the picture does not scan");
    const std::string& bytes = symbols.front().bytes;
    if (symbols.size() != 1 || QByteArray(bytes.data(), qsizetype(bytes.size())) != payload)
        return QStringLiteral("--verify: the picture scans as different content");
    return {};
}
