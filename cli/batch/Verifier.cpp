#include "cli/batch/Verifier.h"

#include "reading/PictureReader.h"
#include "reading/SymbolReader.h"

#include <new>
#include <vector>

std::string VerifyEncodedFile(const std::string& file, const std::string& payload) {
    std::vector<ReadSymbol> symbols;
    const PictureReader::Outcome read = PictureReader::Decode(
        QByteArray::fromStdString(file), PictureReader::Kind::ReadBack, [&](const QImage& picture) {
            std::vector<ReadSymbol> found = ReadQrSymbols(picture);
            symbols.insert(symbols.end(), found.begin(), found.end());
        });
    if (read.failure == PictureReader::Failure::OutOfMemory)
        return std::string("--verify: not enough memory to read the encoded file back");
    if (!read.ok()) return std::string("--verify: the encoded file cannot be read back");
    if (symbols.empty()) return std::string("--verify: the picture does not scan");
    const std::string& bytes = symbols.front().bytes;
    if (symbols.size() != 1 || bytes != payload)
        return std::string("--verify: the picture scans as different content");
    return {};
}
