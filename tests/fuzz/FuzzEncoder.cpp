// Arbitrary payloads and options through the encoder; every symbol it makes must be well formed.
#include "encoder/clsQRCode.h"

#include <cstdlib>
#include <cstring>

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

bool finderCellDark(int r, int c) {
    if (r == 0 || r == 6 || c == 0 || c == 6) return true;
    return r >= 2 && r <= 4 && c >= 2 && c <= 4;
}

void checkSymbol(const clsQRCode& qr, const QRSymbol& s, int requestedVersion, int ecLevel,
                 int mask, int eci) {
    const int h = s.side();
    require(s.version() >= 1 && s.version() <= 40);
    if (requestedVersion >= 1 && requestedVersion <= 40) require(s.version() == requestedVersion);
    require(s.modules().size() == static_cast<size_t>(h * h));
    require(LevelNumber(s.level()) == ((ecLevel >= 1 && ecLevel <= 4) ? ecLevel : 2));
    require(s.maskPattern() == ((mask >= 0 && mask <= 7) ? mask : 0));
    for (std::uint8_t m : s.modules()) require(m <= 1);
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 7; ++c) {
            require(s.dark(r, c) == finderCellDark(r, c));
            require(s.dark(r, h - 1 - c) == finderCellDark(r, c));
            require(s.dark(h - 1 - r, c) == finderCellDark(r, c));
        }
    const int word = clsQRCode::FormatWord(LevelNumber(s.level()), s.maskPattern());
    for (int i = 0; i <= 7; ++i) require(s.dark(8, h - 1 - i) == ((word >> i) & 1));
    for (int i = 8; i <= 14; ++i) require(s.dark(h - 15 + i, 8) == ((word >> i) & 1));
    require(s.dark(h - 8, 8));
    require(s.streamBits() - 4 <= 8 * qr.DataCodewords(s.version(), LevelNumber(s.level())));
    require(s.eci() == eci);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static clsQRCode qr;
    if (size < 4) return 0;
    const int version = static_cast<std::int8_t>(data[0]) % 48;
    const int ecLevel = static_cast<std::int8_t>(data[1]) % 6;
    const int mask = static_cast<std::int8_t>(data[2]) % 10;
    EncodeOptions options = clsQRCode::OptionsOf(version, ecLevel, mask);
    options.allowKanji = (data[3] & 1) != 0;
    options.eci = (data[3] & 2) != 0 ? clsQRCode::EciUtf8 : 0;
    if ((data[3] & 4) != 0)
        options.sequence = EncodeOptions::StructuredAppend{(data[3] >> 4) & 15, 16, data[2]};
    const std::uint8_t* payload = data + 4;
    const int count = static_cast<int>(size - 4);
    const auto symbol = qr.EncodeToMatrix(payload, count, options);
    if (version < 0) require(!symbol);
    if (symbol) checkSymbol(qr, *symbol, version, ecLevel, mask, options.eci);
    return 0;
}
