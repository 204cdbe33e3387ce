#define ZX_USE_UTF8 1
#include "reading/SymbolReader.h"

#include "encoder/clsQRCode.h"

#include <QPainter>
#include <QPolygonF>
#include <QTransform>

#include <ZXing/ReadBarcode.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <exception>
#include <new>

namespace {

// The encoder's number of the level zxing-cpp names; 0 when it names none.
int LevelNumberOf(const std::string& letter) {
    const std::optional<EcLevel> level =
        letter.size() == 1 ? LevelOfLetter(letter.front()) : std::nullopt;
    return level ? LevelNumber(*level) : 0;
}

// zxing-cpp hands over the data codewords of the symbol; at one level every version holds a
// different number of them, so the count names the version.
int VersionOfDataCodewords(std::size_t codewords, int level) {
    static const clsQRCode tables;
    if (level == 0) return 0;
    for (int version = 1; version <= 40; ++version)
        if (static_cast<std::size_t>(tables.DataCodewords(version, level)) == codewords)
            return version;
    return 0;
}

std::size_t DataCodewordCount(const ZXing::Result& result) {
    // The raw codewords are the only count zxing-cpp 1.4 offers; its replacement has none.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return result.rawBytes().size();
#pragma GCC diagnostic pop
}

// Module (row, column) of a symbol of `side` modules, sampled through the symbol's corners
// as zxing-cpp found them.
class ModuleSampler {
  public:
    ModuleSampler(const QImage& grey, const ZXing::Position& corners, int side, bool mirrored)
        : grey_(grey), mirrored_(mirrored) {
        const QPolygonF square(
            {QPointF(0, 0), QPointF(side, 0), QPointF(side, side), QPointF(0, side)});
        const QPolygonF found({Point(corners.topLeft()), Point(corners.topRight()),
                               Point(corners.bottomRight()), Point(corners.bottomLeft())});
        valid_ = QTransform::quadToQuad(square, found, transform_);
        // Finder centre dark, the ring inside it light: their mean separates the two.
        if (valid_) threshold_ = (Grey(3, 3) + Grey(1, 1)) / 2;
        valid_ = valid_ && Grey(1, 1) - Grey(3, 3) > 32;
    }

    bool valid() const { return valid_; }
    bool Dark(int row, int column) const { return Grey(row, column) < threshold_; }

  private:
    static QPointF Point(const ZXing::PointI& p) { return QPointF(p.x, p.y); }

    int Grey(int row, int column) const {
        if (mirrored_) std::swap(row, column);
        const QPointF p = transform_.map(QPointF(column + 0.5, row + 0.5));
        const int x = std::clamp(static_cast<int>(p.x()), 0, grey_.width() - 1);
        const int y = std::clamp(static_cast<int>(p.y()), 0, grey_.height() - 1);
        return grey_.constScanLine(y)[x];
    }

    const QImage& grey_;
    bool mirrored_;
    QTransform transform_;
    bool valid_ = false;
    int threshold_ = 128;
};

// The two copies of the 15-bit format word, bit i at the places the encoder writes it.
std::array<int, 2> FormatCopies(const ModuleSampler& sampler, int side) {
    std::array<int, 2> copies{0, 0};
    auto bit = [&](int copy, int index, int row, int column) {
        if (sampler.Dark(row, column)) copies[copy] |= 1 << index;
    };
    for (int i = 0; i <= 5; ++i) bit(0, i, i, 8);
    bit(0, 6, 7, 8);
    bit(0, 7, 8, 8);
    bit(0, 8, 8, 7);
    for (int i = 9; i <= 14; ++i) bit(0, i, 8, 14 - i);
    for (int i = 0; i <= 7; ++i) bit(1, i, 8, side - 1 - i);
    for (int i = 8; i <= 14; ++i) bit(1, i, side - 15 + i, 8);
    return copies;
}

// The mask of the format word nearest to either copy, among the words of the level the reader
// found; -1 when even the nearest is more than three bits away, which the code corrects.
int MaskOfFormat(const std::array<int, 2>& copies, int level) {
    int best = -1;
    int bestDistance = 4;
    for (int mask = 0; mask < 8; ++mask) {
        const int word = clsQRCode::FormatWord(level, mask);
        for (int copy : copies) {
            const int distance = std::popcount(static_cast<unsigned>(copy ^ word));
            if (distance < bestDistance) {
                bestDistance = distance;
                best = mask;
            }
        }
    }
    return best;
}

// A Micro QR symbol's format word names its version, level and mask at once. Bit 14 lies at
// row 8 beside the finder, the word runs along that row to bit 7, then up column 8 to bit 0.
int MicroFormatBits(const ModuleSampler& sampler) {
    int word = 0;
    for (int i = 0; i <= 7; ++i)
        if (sampler.Dark(8, 1 + i)) word |= 1 << (14 - i);
    for (int j = 0; j <= 6; ++j)
        if (sampler.Dark(j + 1, 8)) word |= 1 << j;
    return word;
}

struct MicroFormat {
    int version = 0;
    std::string level;
    int mask = -1;
};

// The version and level whose data codewords (the last of M1 and M3 a half) number `codewords`:
// each of the eight has its own count. Nothing known for any other count.
MicroFormat MicroSymbolOfCodewords(std::size_t codewords) {
    for (int version = 1; version <= 4; ++version)
        for (const EcLevel level : {EcLevel::L, EcLevel::M, EcLevel::Q}) {
            const int bits = clsQRCode::MicroDataBits(version, level);
            if (bits > 0 && static_cast<std::size_t>((bits + 7) / 8) == codewords)
                // M1 only detects errors.
                return {version, version == 1 ? "-" : std::string(1, LevelLetter(level)), -1};
        }
    return {};
}

// The symbol's version and level from its codeword count (sampling the format cells at every
// size could find a valid word at the wrong one), then the mask of the format word nearest to
// what the format cells hold; -1 when even the nearest is more than three bits away.
MicroFormat SampledMicroFormat(const QImage& grey, const ZXing::Result& result) {
    MicroFormat format = MicroSymbolOfCodewords(DataCodewordCount(result));
    if (format.version == 0) return format;
    const ModuleSampler sampler(grey, result.position(), clsQRCode::MicroSymbolSize(format.version),
                                result.isMirrored());
    if (!sampler.valid()) return format;
    const int word = MicroFormatBits(sampler);
    const EcLevel level =
        format.version == 1 ? EcLevel::L : LevelOfLetter(format.level[0]).value_or(EcLevel::L);
    const int number = clsQRCode::MicroSymbolNumber(format.version, level);
    int bestDistance = 4;
    for (int mask = 0; mask < 4; ++mask) {
        const int distance =
            std::popcount(static_cast<unsigned>(word ^ clsQRCode::MicroFormatWord(number, mask)));
        if (distance < bestDistance) {
            bestDistance = distance;
            format.mask = mask;
        }
    }
    return format;
}

int SampledMask(const QImage& grey, const ZXing::Result& result, int version, int level) {
    if (version == 0 || level == 0) return -1;
    const int side = clsQRCode::SymbolSize(version);
    const ModuleSampler sampler(grey, result.position(), side, result.isMirrored());
    if (!sampler.valid()) return -1;
    return MaskOfFormat(FormatCopies(sampler, side), level);
}

} // namespace

std::vector<int> EcisOfProtocolText(const std::string& content) {
    std::vector<int> ecis;
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] != '\\') continue;
        if (i + 1 < content.size() && content[i + 1] == '\\') {
            ++i;
            continue;
        }
        if (i + 6 >= content.size()) continue;
        int value = 0;
        bool digits = true;
        for (std::size_t d = i + 1; d <= i + 6; ++d) {
            digits = digits && std::isdigit(static_cast<unsigned char>(content[d]));
            value = value * 10 + (content[d] - '0');
        }
        if (!digits) continue;
        ecis.push_back(value);
        i += 6;
    }
    return ecis;
}

namespace {

ReadSymbol SymbolOf(const ZXing::Result& result, const QImage& grey) {
    ReadSymbol symbol;
    symbol.bytes.assign(result.bytes().begin(), result.bytes().end());
    symbol.text = result.text();
    symbol.micro = result.format() == ZXing::BarcodeFormat::MicroQRCode;
    if (symbol.micro) {
        MicroFormat format = SampledMicroFormat(grey, result);
        symbol.version = format.version;
        symbol.level = std::move(format.level);
        symbol.mask = format.mask;
    } else {
        symbol.level = result.ecLevel();
        const int level = LevelNumberOf(symbol.level);
        symbol.version = VersionOfDataCodewords(DataCodewordCount(result), level);
        symbol.mask = SampledMask(grey, result, symbol.version, level);
    }
    if (result.isPartOfSequence())
        symbol.sequence = ReadSymbol::Sequence{result.sequenceIndex(), result.sequenceSize(),
                                               result.sequenceId()};
    // Without a designator the content is not escaped, so a backslash in it is no designator.
    if (result.hasECI()) {
        const ZXing::ByteArray protocol = result.bytesECI();
        symbol.ecis = EcisOfProtocolText(std::string(protocol.begin(), protocol.end()));
    }
    return symbol;
}

// Reading order: top to bottom, then left to right, by each symbol's top-left corner.
bool ReadsBefore(const ZXing::Result& a, const ZXing::Result& b) {
    const ZXing::PointI pa = a.position().topLeft(), pb = b.position().topLeft();
    return pa.y != pb.y ? pa.y < pb.y : pa.x < pb.x;
}

// A transparent background is seen as a page or a screen shows it: white. Converted to grey as
// it is, a transparent pixel would count as black whatever its colour.
QImage OnWhite(const QImage& picture) {
    if (!picture.hasAlphaChannel()) return picture;
    QImage flat(picture.size(), QImage::Format_RGB32);
    if (flat.isNull()) return flat;
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, picture);
    return flat;
}

// zxing-cpp 1.4 throws from its bit source (std::out_of_range) for a symbol whose segment
// header promises more data than the symbol holds: such a picture has no symbol it can read,
// which is no reason for the program to end. Running out of memory stays the caller's.
ZXing::Results ReadOrNothing(const ZXing::ImageView& view, const ZXing::DecodeHints& hints) {
    try {
        return ZXing::ReadBarcodes(view, hints);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

std::vector<ReadSymbol> ReadQrSymbols(const QImage& picture) {
    if (picture.isNull()) return {};
    const QImage grey = OnWhite(picture).convertToFormat(QImage::Format_Grayscale8);
    // A null copy of a picture that exists means its memory could not be had.
    if (grey.isNull()) throw std::bad_alloc();
    const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(),
                                ZXing::ImageFormat::Lum, static_cast<int>(grey.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode | ZXing::BarcodeFormat::MicroQRCode);
    hints.setTryHarder(true);
    ZXing::Results results = ReadOrNothing(view, hints);
    std::erase_if(results, [](const ZXing::Result& result) { return !result.isValid(); });
    std::stable_sort(results.begin(), results.end(), ReadsBefore);
    std::vector<ReadSymbol> symbols;
    for (const ZXing::Result& result : results) symbols.push_back(SymbolOf(result, grey));
    return symbols;
}

std::optional<ReadSymbol> ReadQrSymbol(const QImage& picture) {
    std::vector<ReadSymbol> symbols = ReadQrSymbols(picture);
    if (symbols.empty()) return std::nullopt;
    return std::move(symbols.front());
}

void AddFrameSymbols(std::vector<ReadSymbol>& symbols, std::vector<ReadSymbol> frame) {
    const std::size_t earlier = symbols.size();
    for (ReadSymbol& symbol : frame) {
        const auto end = symbols.begin() + static_cast<std::ptrdiff_t>(earlier);
        if (std::none_of(symbols.begin(), end,
                         [&](const ReadSymbol& seen) { return seen.bytes == symbol.bytes; }))
            symbols.push_back(std::move(symbol));
    }
}
