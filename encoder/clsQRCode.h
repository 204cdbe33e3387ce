#pragma once

#include "encoder/EcLevel.h"
#include "encoder/clsFiniteField.h"
#include "encoder/clsReedSolomon.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

class Segmentation;

// Segment modes, numbered as the segmentation orders its tie-breaks (lower number wins).
enum QRMode : int { ModeByte = 0, ModeNumeric = 1, ModeAlphanumeric = 2, ModeKanji = 3 };

// One written segment: its mode and how many payload bytes it carries.
struct QRSegment {
    int mode = ModeByte;
    int byteCount = 0;
    friend bool operator==(const QRSegment&, const QRSegment&) = default;
};

// How a payload is encoded.
struct EncodeOptions {
    EcLevel level = EcLevel::M;
    int version =
        0; // 1–40 forces it, 0 or above 40 picks the smallest that fits, < 0 yields nothing
    int mask = 0; // 0–7; anything else means 0
    // Kanji mode writes byte pairs as Shift JIS characters, which readers decode as such. Only
    // Shift JIS callers want it; for UTF-8 payloads it turns Chinese text into garbage.
    bool allowKanji = false;
    // An ECI designator written before the data (ISO/IEC 18004 7.4.2), 1–999999; 0 and
    // anything out of range write none. 26 declares UTF-8, so that readers which otherwise
    // guess Shift JIS show Chinese text as typed. The window's symbols carry none.
    int eci = 0;
    // One symbol of a structured-append sequence: a 20-bit header before everything else
    // names its position (0–15), the number of symbols (1–16) and the parity of the whole
    // payload (the XOR of all its bytes), so that a reader joins the parts in order.
    struct StructuredAppend {
        int position = 0;
        int total = 1;
        int parity = 0;
    };
    std::optional<StructuredAppend> sequence;
};

// How a payload is encoded as a Micro QR symbol.
struct MicroOptions {
    int version = 0; // 1–4 forces M1–M4, 0 picks the smallest that fits; anything else: nothing
    // L or M (M1, which only detects errors, stands in for either), Q only in M4, H never.
    EcLevel level = EcLevel::L;
    int mask = -1;           // 0–3 forces a Micro mask; anything else picks the best-scoring one
    bool allowKanji = false; // as in EncodeOptions
};

// How a payload is encoded as a rectangular Micro QR (rMQR) symbol.
struct RmqrOptions {
    // 1–32 forces R7x43 … R17x139 in the standard's order (height first, then width); 0 picks
    // the smallest area that holds the payload, the lower height on a tie; anything else: nothing.
    int version = 0;
    EcLevel level = EcLevel::M; // M or H; the others have no rMQR symbol
    bool allowKanji = false;    // as in EncodeOptions
};

enum class SymbolKind { QR, Micro, Rmqr };

// A finished symbol: height × width modules, row 0 at the top, 1 dark and 0 light, and how it
// was made. QR and Micro QR are square: side = 4 × version + 17 (QR) or 2 × version + 9 (Micro
// QR, versions 1–4 = M1–M4); rMQR versions 1–32 are R7x43 … R17x139. Copies share the modules,
// which never change.
class QRSymbol {
  public:
    // `modules` holds height × width bytes.
    QRSymbol(int version, EcLevel level, int maskPattern, int streamBits, int eci,
             std::vector<QRSegment> segments, std::shared_ptr<const std::uint8_t[]> modules,
             SymbolKind kind = SymbolKind::QR);

    // Modules wide and high of a symbol of that kind and version.
    struct Size {
        int width;
        int height;
    };
    static Size SizeOf(SymbolKind kind, int version);

    SymbolKind kind() const { return kind_; }
    bool micro() const { return kind_ == SymbolKind::Micro; }
    bool rmqr() const { return kind_ == SymbolKind::Rmqr; }
    // M1 carries no error correction, only detection; level() is then the level asked for.
    bool errorDetectionOnly() const { return micro() && version_ == 1; }
    int version() const { return version_; }
    EcLevel level() const { return level_; }
    int maskPattern() const { return maskPattern_; }
    // The data bit stream's length as built, ECI header and terminator included.
    int streamBits() const { return streamBits_; }
    // The ECI designator written before the data, 0 when none.
    int eci() const { return eci_; }
    const std::vector<QRSegment>& segments() const { return segments_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // The side of a square symbol (QR, Micro QR); an rMQR symbol's width.
    int side() const { return width_; }
    bool dark(int row, int column) const { return modules_[row * width_ + column] != 0; }
    // Row after row from the top.
    std::span<const std::uint8_t> modules() const {
        return {modules_.get(), static_cast<std::size_t>(width_) * height_};
    }

  private:
    int version_;
    EcLevel level_;
    int maskPattern_;
    int streamBits_;
    int eci_;
    std::vector<QRSegment> segments_;
    std::shared_ptr<const std::uint8_t[]> modules_;
    SymbolKind kind_;
    int width_;
    int height_;
};

// QR Code symbol encoder (ISO/IEC 18004, versions 1–40, levels L, M, Q, H = EcLevel 1–4).
// Everything here is plain computation; raster/EncodeToPicture.h makes the symbol a picture.
class clsQRCode {
  public:
    static constexpr int StreamCells = 32768; // bit cells of the data stream
    static constexpr int Unreachable = 0x70000000;

    clsQRCode();

    static constexpr int EciUtf8 = 26; // the ECI designator of UTF-8
    // Bits of the ECI header (mode indicator and designator) for `eci`; 0 when none is written.
    static int EciHeaderBits(int eci);
    // The structured-append header's bits: 20 for a part of a sequence, 0 otherwise.
    static int SequenceHeaderBits(const EncodeOptions& options) {
        return options.sequence ? 20 : 0;
    }

    // data[0 … count-1] is the payload. version 1–40 forces it, 0 or >40 picks the smallest
    // that fits, <0 yields nothing; ecLevel outside 1–4 means M; maskPattern outside 0–7 means 0.
    // No Kanji mode, no ECI. Nothing when the payload fits no symbol.
    std::optional<QRSymbol> EncodeToMatrix(const std::uint8_t* data, int count, int version,
                                           int ecLevel, int maskPattern);
    // The same with every option; nothing when the payload fits no symbol.
    std::optional<QRSymbol> EncodeToMatrix(const std::uint8_t* data, int count,
                                           const EncodeOptions& options);
    // A Micro QR symbol (M1–M4); nothing when the payload fits none at that version and level.
    std::optional<QRSymbol> EncodeMicro(const std::uint8_t* data, int count,
                                        const MicroOptions& options);
    // An rMQR symbol; nothing when the payload fits none at that version and level.
    std::optional<QRSymbol> EncodeRmqr(const std::uint8_t* data, int count,
                                       const RmqrOptions& options);
    // The options of the int entry points: ecLevel outside 1–4 means M.
    static EncodeOptions OptionsOf(int version, int ecLevel, int maskPattern);

    // ---- Building blocks of the pipeline, public so that each can be checked on its own. ----

    // Symbol tables.
    static int SymbolSize(int version) { return 4 * version + 17; }
    static int AlignmentCountPerSide(int version) { return version <= 1 ? 1 : version / 7 + 2; }
    static int RawDataModules(int version);
    static int TotalCodewords(int version) { return RawDataModules(version) / 8; }
    int BlockCount(int version, int ecLevel) const {
        return BlockCountTable[tableIndex(version, ecLevel)];
    }
    int EcCodewords(int version, int ecLevel) const {
        return EcCodewordsTable[tableIndex(version, ecLevel)];
    }
    int DataCodewords(int version, int ecLevel) const {
        return TotalCodewords(version) -
               BlockCount(version, ecLevel) * EcCodewords(version, ecLevel);
    }
    int AlignmentSpacingOf(int version) const { return AlignmentSpacing[version]; }

    // Data encoding.
    static int CharClass(std::uint8_t byte);
    static int AlphanumericValue(std::uint8_t byte);
    static bool IsKanjiPair(std::uint8_t first, std::uint8_t second);
    // Returns the stream length in bits, ECI header and terminator included. Writes `bits` (one 0/1
    // cell per bit) unless measureOnly; `segments`, when given, receives the written segments. A
    // stream longer than StreamCells is measured but never written. Of the options, allowKanji
    // and eci count.
    int BuildBitStream(std::uint8_t* bits, const std::uint8_t* data, int count, int version,
                       bool measureOnly, std::vector<QRSegment>* segments = nullptr,
                       const EncodeOptions& options = {}) const;
    static constexpr int PadPatternBit(int i) {
        constexpr int kPattern = 0b1110110000010001; // 0xEC, 0x11
        return (kPattern >> (15 - (i & 15))) & 1;
    }
    // The written stream followed by the pad pattern up to the data capacity of (version,
    // ecLevel); returns the stream length d, or -1 when the stream does not fit.
    int BuildDataStream(std::uint8_t* bits, const std::uint8_t* data, int count, int version,
                        int ecLevel, std::vector<QRSegment>* segments = nullptr,
                        const EncodeOptions& options = {}) const;
    // Data codewords of the padded stream split into blocks, error correction added, and all
    // of it interleaved: TotalCodewords(version) bytes in transmission order.
    std::vector<std::uint8_t> InterleaveBlocks(const std::uint8_t* dataBits, int version,
                                               int ecLevel);

    // Placement, masking, format.
    void DrawFunctionPatterns(std::uint8_t* matrix, int version) const;
    static int BchRemainder(int value, int generator, int topBit, int steps);
    static int ApplyMask(std::uint8_t* matrix, int size, int pattern);
    int VersionWord(int version) const;
    static int FormatWord(int ecLevel, int maskPattern);

    // Micro QR building blocks (version 1–4 = M1–M4).
    static int MicroSymbolSize(int version) { return 2 * version + 9; }
    // Data capacity in bits (M1 and M3 end in a 4-bit codeword); 0 when the symbol has no
    // such level.
    static int MicroDataBits(int version, EcLevel level);
    static int MicroEcCodewords(int version, EcLevel level);
    // Symbol number (0 = M1 … 7 = M4-Q) and mask 0–3, BCH-protected.
    static int MicroFormatWord(int symbolNumber, int maskPattern);
    // The format information's symbol number of M`version` at `level` (0–7), -1 for none.
    static int MicroSymbolNumber(int version, EcLevel level);
    // Masks the free cells (function == 0) of a side × side grid with Micro mask 0–3.
    static void ApplyMicroMask(std::uint8_t* matrix, const std::uint8_t* function, int side,
                               int pattern);
    // Dark modules along the right and bottom edges, the lesser sum weighted 16; higher is
    // better.
    static int MicroMaskScore(const std::uint8_t* matrix, int side);

    // rMQR building blocks (versions 1–32 = R7x43 … R17x139).
    static constexpr int RmqrVersions = 32;
    static int RmqrWidth(int version);
    static int RmqrHeight(int version);
    // The version of R<height>x<width>, 0 when there is none.
    static int RmqrVersionOf(int height, int width);
    // Data codewords at level M or H; 0 for any other level.
    static int RmqrDataCodewords(int version, EcLevel level);
    // Level (M or H) and version, BCH-protected: 18 bits before the finder's or the
    // sub-finder's mask is applied.
    static int RmqrFormatBits(int version, EcLevel level);

    // After the (possibly cut) terminator: zeros to the codeword boundary, then 0xEC/0x11 pad
    // codewords; a final 4-bit codeword left over (Micro QR M1, M3) stays 0000. Cells past the
    // capacity stay 0.
    static void PadToCodewords(std::uint8_t* bits, int d, int capacity);

  private:
    static int tableIndex(int version, int ecLevel) { return 4 * (version - 1) + (ecLevel - 1); }
    int chooseVersion(const std::uint8_t* data, int count, int ecLevel,
                      const EncodeOptions& options,
                      std::optional<Segmentation>& segmentation) const;
    static void padStream(std::uint8_t* bits, int d, int capacity);
    // The data codewords cut into `blocks` blocks (short ones first), each block's `ecPerBlock`
    // error-correction codewords added, all of it interleaved: total codewords in order.
    std::vector<std::uint8_t> interleave(const std::uint8_t* dataBits, int blocks, int ecPerBlock,
                                         int dataCodewords);
    // The same from the data codewords as bytes; `out` receives all the codewords.
    void interleaveCodewords(const std::uint8_t* data, int blocks, int ecPerBlock,
                             int dataCodewords, std::uint8_t* out);
    // Data codewords plus one zero per block: enough for any QR or rMQR symbol.
    static constexpr int kMaxStagedBlockBytes = 4096;
    static constexpr int kMaxCodewords = 3706; // version 40
    static void writeSequenceHeader(std::uint8_t* bits,
                                    const EncodeOptions::StructuredAppend& sequence);
    static bool cannotFitAnyStream(int count, int eci, int capacityBits);
    struct PlacementPlan;
    struct PlacementPlanDeleter {
        void operator()(PlacementPlan* plan) const;
    };
    const PlacementPlan& placementPlan(int version);
    // The finished modules of `version` but for the format information: the function
    // patterns, and `codewords` (TotalCodewords bytes, readable 16 bytes past their end)
    // placed in zigzag order and masked with `mask`.
    void placeCodewords(std::uint8_t* modules, const std::uint8_t* codewords, int version,
                        int mask);
    static bool maskCondition(int pattern, int r, int c);
    // Two bits per slot of a version-40 symbol, 64 to a word.
    static constexpr int kMaxSlotWords = 470;
    // Into a grid of the symbol's side, rows `stride` cells apart.
    void writeVersionInformation(std::uint8_t* grid, int stride, int version) const;
    void writeFormatInformation(std::uint8_t* grid, int stride, int version, int ecLevel,
                                int mask) const;

    int chooseMicroVersion(const std::uint8_t* data, int count, const MicroOptions& options,
                           std::optional<Segmentation>& segmentation) const;
    std::vector<std::uint8_t> microCodewords(const std::uint8_t* dataBits, int version,
                                             EcLevel level);
    int chooseRmqrVersion(const std::uint8_t* data, int count, const RmqrOptions& options,
                          std::optional<Segmentation>& segmentation) const;

    std::shared_ptr<clsFiniteField> field_;
    std::unique_ptr<clsReedSolomon> reedSolomon_;
    std::array<std::uint8_t, 41> AlignmentSpacing{};
    std::array<std::uint8_t, 160> BlockCountTable{};
    std::array<std::uint8_t, 160> EcCodewordsTable{};
    std::array<std::int32_t, 18> BitWeights{};
    // How the codewords of each version are placed, worked out on the version's first use.
    std::array<std::unique_ptr<PlacementPlan, PlacementPlanDeleter>, 41> placementPlans_;
};
