// The encoder driver: version choice, stream, pad, blocks, placement, mask and format.
#include "encoder/clsQRCode.h"

#include "encoder/Segmentation.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

// The three version ranges that share one character-count class, and so one stream length.
constexpr int kRangeFirst[3] = {1, 10, 27};
constexpr int kRangeLast[3] = {9, 26, 40};

// Eight 0/1 cells, the first most significant, as one byte. On little-endian machines one
// multiplication gathers them: cell i sits at bit 8i and is carried to bit 63 - i.
int packBits(const std::uint8_t* cells) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t word;
        std::memcpy(&word, cells, 8);
        return static_cast<int>((word * 0x8040201008040201ULL) >> 56);
    }
    int value = 0;
    for (int b = 0; b < 8; ++b) value = (value << 1) | cells[b];
    return value;
}

} // namespace

QRSymbol::QRSymbol(int version, EcLevel level, int maskPattern, int streamBits, int eci,
                   std::vector<QRSegment> segments, std::shared_ptr<const std::uint8_t[]> modules,
                   SymbolKind kind)
    : version_(version), level_(level), maskPattern_(maskPattern), streamBits_(streamBits),
      eci_(eci), segments_(std::move(segments)), modules_(std::move(modules)), kind_(kind) {
    switch (kind) {
    case SymbolKind::QR: width_ = height_ = clsQRCode::SymbolSize(version); break;
    case SymbolKind::Micro: width_ = height_ = clsQRCode::MicroSymbolSize(version); break;
    case SymbolKind::Rmqr:
        width_ = clsQRCode::RmqrWidth(version);
        height_ = clsQRCode::RmqrHeight(version);
        break;
    }
}

// No segmentation spends less than 10 bits on 3 bytes (numeric mode), so a payload whose
// cheapest conceivable stream already exceeds the capacity is refused before any table is built.
bool clsQRCode::cannotFitAnyStream(int count, int eci, int capacityBits) {
    const long long lowerBound = EciHeaderBits(eci) + (10LL * count + 2) / 3;
    return lowerBound > capacityBits;
}

// The smallest version whose data capacity holds the stream without its terminator. Each range
// of versions sharing a count class is segmented once; ranges that even the cheapest
// conceivable stream overflows are skipped. The segmentation of the chosen range is kept.
int clsQRCode::chooseVersion(const std::uint8_t* data, int count, int ecLevel,
                             const EncodeOptions& options,
                             std::optional<Segmentation>& segmentation) const {
    const int sequenceBits = SequenceHeaderBits(options);
    if (cannotFitAnyStream(count, options.eci, 8 * DataCodewords(40, ecLevel) - sequenceBits))
        return 0;
    const long long lowerBound = sequenceBits + EciHeaderBits(options.eci) +
                                 Segmentation::lowerBoundBits(data, count, options.allowKanji);
    for (int range = 0; range < 3; ++range) {
        const int last = kRangeLast[range];
        if (lowerBound > 8 * DataCodewords(last, ecLevel)) continue;
        segmentation.emplace(data, count, kRangeFirst[range], options.allowKanji, options.eci);
        const int d = sequenceBits + segmentation->streamLength();
        for (int v = kRangeFirst[range]; v <= last; ++v)
            if (d - 4 <= 8 * DataCodewords(v, ecLevel)) return v;
    }
    return 0;
}

EncodeOptions clsQRCode::OptionsOf(int version, int ecLevel, int maskPattern) {
    EncodeOptions options;
    options.level = LevelOfNumber(ecLevel).value_or(EcLevel::M);
    options.version = version;
    options.mask = maskPattern;
    return options;
}

std::optional<QRSymbol> clsQRCode::EncodeToMatrix(const std::uint8_t* data, int count, int version,
                                                  int ecLevel, int maskPattern) {
    return EncodeToMatrix(data, count, OptionsOf(version, ecLevel, maskPattern));
}

std::optional<QRSymbol> clsQRCode::EncodeToMatrix(const std::uint8_t* data, int count,
                                                  const EncodeOptions& options) {
    const int ecLevel = LevelNumber(options.level);
    int version = options.version;
    if (version < 0) return std::nullopt;
    if (count < 0) count = 0;
    std::optional<Segmentation> segmentation;
    if (version == 0 || version > 40) {
        version = chooseVersion(data, count, ecLevel, options, segmentation);
        if (version == 0) return std::nullopt;
    } else {
        if (cannotFitAnyStream(count, options.eci,
                               8 * DataCodewords(version, ecLevel) - SequenceHeaderBits(options)))
            return std::nullopt;
        segmentation.emplace(data, count, version, options.allowKanji, options.eci);
    }
    // The capacity test comes before writing, so no stream ever runs past its buffer.
    const int sequenceBits = SequenceHeaderBits(options);
    const int d = sequenceBits + segmentation->streamLength();
    const int capacity = 8 * DataCodewords(version, ecLevel);
    if (d - 4 > capacity) return std::nullopt;

    // The data bit stream and the DataMatrix live only during this call; every cell read is
    // written first.
    const int h = SymbolSize(version);
    // The function patterns are drawn with rows of h + 3 cells, the layout the placement
    // routines share; the data cells are placed, masked and merged in the symbol's own grid.
    const int stride = h + 3;
    std::unique_ptr<std::uint8_t[]> work(new std::uint8_t[StreamCells + stride * stride]);
    std::uint8_t* dataBits = work.get();
    std::uint8_t* matrix = dataBits + StreamCells;
    std::shared_ptr<std::uint8_t[]> modules =
        std::make_shared_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(h) * h);
    std::uint8_t* dataMatrix = modules.get();
    std::vector<QRSegment> segments;
    if (options.sequence) writeSequenceHeader(dataBits, *options.sequence);
    segmentation->write(dataBits + sequenceBits, &segments);
    segmentation.reset();
    padStream(dataBits, d, capacity);

    const std::vector<std::uint8_t> codewords = InterleaveBlocks(dataBits, version, ecLevel);

    std::memset(matrix, 0, static_cast<std::size_t>(stride) * stride);
    DrawFunctionPatterns(matrix, version);
    placeCodewords(matrix, dataMatrix, codewords, version);
    const int mask = ApplyMask(dataMatrix, h, options.mask);

    // Function cells: 1 stays dark, 2 becomes light; free cells keep the masked data bit.
    for (int r = 0; r < h; ++r) {
        const std::uint8_t* __restrict row = matrix + r * stride;
        std::uint8_t* __restrict dataRow = dataMatrix + r * h;
        for (int c = 0; c < h; ++c) {
            const std::uint8_t f = row[c];
            dataRow[c] = static_cast<std::uint8_t>((f & 1) | (dataRow[c] & (f == 0)));
        }
    }
    if (version >= 7) writeVersionInformation(dataMatrix, h, version);
    writeFormatInformation(dataMatrix, h, version, ecLevel, mask);
    return QRSymbol(version, options.level, mask, d,
                    EciHeaderBits(options.eci) > 0 ? options.eci : 0, std::move(segments),
                    std::move(modules));
}

// Mode 0011, the position, the number of symbols less one, the parity: one cell per bit.
void clsQRCode::writeSequenceHeader(std::uint8_t* bits,
                                    const EncodeOptions::StructuredAppend& sequence) {
    const int header = (0b0011 << 16) | ((sequence.position & 15) << 12) |
                       (((sequence.total - 1) & 15) << 8) | (sequence.parity & 0xFF);
    for (int b = 0; b < 20; ++b) bits[b] = static_cast<std::uint8_t>((header >> (19 - b)) & 1);
}

// The pad pattern starts right after the terminator, not at the next codeword boundary, and
// runs to one cell past the capacity; a stream at or beyond the capacity gets none.
void clsQRCode::padStream(std::uint8_t* bits, int d, int capacity) {
    for (int i = 0; i <= capacity - d; ++i)
        bits[d + i] = static_cast<std::uint8_t>(PadPatternBit(i));
}

int clsQRCode::BuildDataStream(std::uint8_t* bits, const std::uint8_t* data, int count, int version,
                               int ecLevel, std::vector<QRSegment>* segments,
                               const EncodeOptions& options) const {
    const int d = BuildBitStream(bits, data, count, version, false, segments, options);
    const int capacity = 8 * DataCodewords(version, ecLevel);
    if (d - 4 > capacity) return -1; // only the terminator may be cut short
    // The pad pattern starts right after the terminator, not at the next codeword boundary.
    for (int i = 0; i <= capacity - d; ++i)
        bits[d + i] = static_cast<std::uint8_t>(PadPatternBit(i));
    return d;
}

// Cuts the data codewords into blocks (short blocks first), computes each block's
// error-correction codewords and interleaves everything in ISO/IEC 18004 order.
std::vector<std::uint8_t> clsQRCode::InterleaveBlocks(const std::uint8_t* dataBits, int version,
                                                      int ecLevel) {
    return interleave(dataBits, BlockCount(version, ecLevel), EcCodewords(version, ecLevel),
                      DataCodewords(version, ecLevel));
}

std::vector<std::uint8_t> clsQRCode::interleave(const std::uint8_t* dataBits, int B, int E, int D) {
    const int L = (D + B - 1) / B;
    const int S = D % B > 0 ? B - D % B : 0;

    if (!reedSolomon_) reedSolomon_ = std::make_unique<clsReedSolomon>();
    reedSolomon_->Init(L, E, field_, 0, 0);

    std::vector<std::uint8_t> codewords(static_cast<std::size_t>(D + B * E));
    auto dataCodeword = [&](int c) { return packBits(dataBits + 8 * c); };

    std::int32_t blockBuffer[256];
    int next = 0; // next data codeword of the stream
    for (int b = 0; b < B; ++b) {
        const bool isShort = b < S;
        const int top = E + L - 1;
        blockBuffer[top] = 0; // a short block is a long one with a leading zero coefficient
        const int first = isShort ? top - 1 : top;
        for (int i = 0; i < (isShort ? L - 1 : L); ++i) {
            const int value = dataCodeword(next++);
            blockBuffer[first - i] = value;
            const int position = i <= L - 2 ? b + i * B : (L - 1) * B + (b - S);
            codewords[position] = static_cast<std::uint8_t>(value);
        }
        reedSolomon_->Encode(blockBuffer);
        for (int k = 0; k < E; ++k)
            codewords[D + b + k * B] = static_cast<std::uint8_t>(blockBuffer[E - 1 - k]);
    }
    return codewords;
}
