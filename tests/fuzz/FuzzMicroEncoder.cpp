// Arbitrary payloads, versions, levels and masks through the Micro QR encoder: every symbol it
// makes must have its finder and format information and read back, with the project's reader,
// as the payload at the version and mask it was made with.
#include "encoder/clsQRCode.h"
#include "reading/SymbolReader.h"

#include <QImage>

#include <cstdlib>
#include <string>

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

bool finderCellDark(int r, int c) {
    if (r == 0 || r == 6 || c == 0 || c == 6) return true;
    return r >= 2 && r <= 4 && c >= 2 && c <= 4;
}

// Four pixels a module inside the two-module quiet zone Micro QR asks for.
QImage pictureOf(const QRSymbol& symbol) {
    constexpr int Scale = 4;
    constexpr int Margin = 2;
    const int side = (symbol.side() + 2 * Margin) * Scale;
    QImage picture(side, side, QImage::Format_Grayscale8);
    picture.fill(255);
    for (int y = 0; y < side; ++y) {
        const int r = y / Scale - Margin;
        for (int x = 0; x < side; ++x) {
            const int c = x / Scale - Margin;
            if (r >= 0 && c >= 0 && r < symbol.side() && c < symbol.side() && symbol.dark(r, c))
                picture.scanLine(y)[x] = 0;
        }
    }
    return picture;
}

void checkSymbol(const QRSymbol& s, const MicroOptions& asked, const std::string& payload) {
    require(s.micro());
    require(s.version() >= 1 && s.version() <= 4);
    if (asked.version != 0) require(s.version() == asked.version);
    if (asked.mask >= 0 && asked.mask <= 3) require(s.maskPattern() == asked.mask);
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 7; ++c) require(s.dark(r, c) == finderCellDark(r, c));
    const std::vector<ReadSymbol> read = ReadQrSymbols(pictureOf(s));
    require(read.size() == 1);
    require(read[0].micro);
    require(read[0].bytes == payload);
    require(read[0].version == s.version());
    require(read[0].mask == s.maskPattern());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static clsQRCode qr;
    if (size < 3) return 0;
    MicroOptions options;
    options.version = data[0] % 6;                         // 5: refused
    options.level = static_cast<EcLevel>(1 + data[1] % 4); // H: refused
    options.mask = data[2] % 5 - 1;                        // -1: the evaluation's choice
    const std::uint8_t* payload = data + 3;
    const int count = static_cast<int>(size - 3);
    const auto symbol = qr.EncodeMicro(payload, count, options);
    if (options.version > 4 || options.level == EcLevel::H) require(!symbol);
    if (symbol)
        checkSymbol(*symbol, options,
                    std::string(reinterpret_cast<const char*>(payload), std::size_t(count)));
    return 0;
}
