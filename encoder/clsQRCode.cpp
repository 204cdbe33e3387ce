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
    const Size size = SizeOf(kind, version);
    width_ = size.width;
    height_ = size.height;
}

QRSymbol::Size QRSymbol::SizeOf(SymbolKind kind, int version) {
    switch (kind) {
    case SymbolKind::Micro:
        return {clsQRCode::MicroSymbolSize(version), clsQRCode::MicroSymbolSize(version)};
    case SymbolKind::Rmqr: return {clsQRCode::RmqrWidth(version), clsQRCode::RmqrHeight(version)};
    case SymbolKind::QR: break;
    }
    return {clsQRCode::SymbolSize(version), clsQRCode::SymbolSize(version)};
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

    // The data bit stream lives only during this call; every cell read is written first.
    const int h = SymbolSize(version);
    std::unique_ptr<std::uint8_t[]> work(new std::uint8_t[StreamCells]);
    std::uint8_t* dataBits = work.get();
    std::vector<QRSegment> segments;
    if (options.sequence) writeSequenceHeader(dataBits, *options.sequence);
    segmentation->write(dataBits + sequenceBits, &segments);
    segmentation.reset();
    padStream(dataBits, d, capacity);

    const int dataCodewords = DataCodewords(version, ecLevel);
    std::uint8_t dataCodewordBytes[kMaxStagedBlockBytes];
    for (int c = 0; c < dataCodewords; ++c)
        dataCodewordBytes[c] = static_cast<std::uint8_t>(packBits(dataBits + 8 * c));
    // Placement reads a little past the last codeword; the remainder bits there are 0.
    std::uint8_t codewords[kMaxCodewords + 16];
    const int total = TotalCodewords(version);
    interleaveCodewords(dataCodewordBytes, BlockCount(version, ecLevel),
                        EcCodewords(version, ecLevel), dataCodewords, codewords);
    std::memset(codewords + total, 0, 16);

    const int mask = options.mask >= 0 && options.mask <= 7 ? options.mask : 0;
    std::shared_ptr<std::uint8_t[]> modules =
        std::make_shared_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(h) * h);
    placeCodewords(modules.get(), codewords, version, mask);
    writeFormatInformation(modules.get(), h, version, ecLevel, mask);
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
    std::vector<std::uint8_t> data(static_cast<std::size_t>(D));
    for (int c = 0; c < D; ++c) data[c] = static_cast<std::uint8_t>(packBits(dataBits + 8 * c));
    std::vector<std::uint8_t> codewords(static_cast<std::size_t>(D + B * E));
    interleaveCodewords(data.data(), B, E, D, codewords.data());
    return codewords;
}

void clsQRCode::interleaveCodewords(const std::uint8_t* data, int B, int E, int D,
                                    std::uint8_t* out) {
    const int L = (D + B - 1) / B;
    const int S = D % B > 0 ? B - D % B : 0;
    if (!reedSolomon_) reedSolomon_ = std::make_unique<clsReedSolomon>();
    reedSolomon_->Init(L, E, field_, 0, 0);

    // Every block L bytes long, a short one after a zero: a leading zero coefficient changes
    // no parity, and all blocks then go through the encoder in step.
    std::uint8_t blocks[kMaxStagedBlockBytes];
    std::uint8_t* block = blocks;
    for (int b = 0; b < B; ++b, block += L) {
        const int lead = b < S ? 1 : 0;
        block[0] = 0;
        std::memcpy(block + lead, data, static_cast<std::size_t>(L - lead));
        data += L - lead;
    }
    // Codeword i of every block in turn; the short blocks have no last one.
    for (int i = 0; i < L - 1; ++i) {
        const std::uint8_t* column = blocks + i;
        std::uint8_t* row = out + i * B;
        for (int b = 0; b < S; ++b) row[b] = column[b * L + 1];
        for (int b = S; b < B; ++b) row[b] = column[b * L];
    }
    for (int b = S; b < B; ++b) out[(L - 1) * B + (b - S)] = blocks[b * L + L - 1];
    reedSolomon_->EncodeBlocks(blocks, B, L, out + D, B);
}
