// Payload bytes to the shortest segmented bit stream: an exact dynamic programme over byte
// positions and the four modes, a trace-back to a mode per byte, and the segment writer.
#include "encoder/Segmentation.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstring>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::array<std::uint8_t, 256> charClasses() {
    std::array<std::uint8_t, 256> classes{};
    for (int b = '0'; b <= '9'; ++b) classes[b] = 1;
    for (int b = 'A'; b <= 'Z'; ++b) classes[b] = 2;
    for (char b : {' ', '$', '%', '*', '+', '-', '.', '/', ':'})
        classes[static_cast<std::uint8_t>(b)] = 2;
    return classes;
}

constexpr std::array<std::uint8_t, 256> kCharClasses = charClasses();

// The least a byte of each class can cost, in sixths of a bit: numeric 10/3, alphanumeric
// 11/2, byte 8.
constexpr std::array<std::uint8_t, 256> rateSixths() {
    std::array<std::uint8_t, 256> rates{};
    for (int b = 0; b < 256; ++b)
        rates[b] = kCharClasses[b] == 1 ? 20 : (kCharClasses[b] == 2 ? 33 : 48);
    return rates;
}

constexpr std::array<std::uint8_t, 256> kRateSixths = rateSixths();

using SegmentCell = Segmentation::Cell;

constexpr SegmentCell kUnreachableCell{0, clsQRCode::Unreachable, 0};

// What starting and continuing a segment of each mode costs under one layout.
struct ModeCosts {
    int header[4]; // mode indicator and character count
    int maxRun[4]; // the most characters one count field holds
    bool has[4];
};

// The bits of each mode's first character: byte, numeric digit, alphanumeric, Kanji pair.
constexpr int kFirstCharacterBits[4] = {8, 4, 6, 13};

ModeCosts costsOf(const SegmentLayout& layout) {
    ModeCosts costs{};
    for (int m = 0; m < 4; ++m) {
        costs.has[m] = layout.has(m);
        costs.header[m] = layout.indicatorBits + layout.countBits[m];
        costs.maxRun[m] = (1 << layout.countBits[m]) - 1;
    }
    return costs;
}

// The eight cells of each byte value, most significant bit first in memory order.
constexpr std::array<std::uint64_t, 256> byteSpreads() {
    std::array<std::uint64_t, 256> spreads{};
    for (int v = 0; v < 256; ++v)
        for (int b = 0; b < 8; ++b)
            if (v & (0x80 >> b)) spreads[v] |= std::uint64_t{1} << (8 * b);
    return spreads;
}

constexpr std::array<std::uint64_t, 256> kByteSpreads = byteSpreads();

// Writes `width` bits of `value`, most significant first, one 0/1 cell each; whole bytes go
// in eight cells at a time where the memory order allows it.
struct BitWriter {
    std::uint8_t* cells;
    int position = 0;
    void put(int value, int width) {
        if constexpr (std::endian::native == std::endian::little) {
            for (; width >= 8; width -= 8) {
                std::memcpy(cells + position, &kByteSpreads[(value >> (width - 8)) & 0xFF], 8);
                position += 8;
            }
        }
        for (int b = width - 1; b >= 0; --b)
            cells[position++] = static_cast<std::uint8_t>((value >> b) & 1);
    }
};

// Cost and run length of the four modes at one position, carried from position to position
// in registers; the table only records them for the trace-back.
struct Row {
    int cost[4];
    int run[4];
};

constexpr Row kStartRow{{clsQRCode::Unreachable, clsQRCode::Unreachable, clsQRCode::Unreachable,
                         clsQRCode::Unreachable},
                        {0, 0, 0, 0}};

// The best way into mode M from `row`: its own run continues at `continueCost` while the run
// has room, and any mode (its own included, once the run is full) starts a new segment at
// `newSegmentCost`. Among equal totals the lower mode number wins. The costs are compared by
// value only, so each position waits on as few operations of the one before as possible.
template <int M>
SegmentCell reach(const Row& row, int maxRun, int continueCost, int newSegmentCost) {
    constexpr int a = M == 0 ? 1 : 0, b = M <= 1 ? 2 : 1, c = M <= 2 ? 3 : 2; // the other modes
    const int otherBase = std::min(std::min(row.cost[a], row.cost[b]), row.cost[c]);
    // On a tie the run's own mode wins unless a lower-numbered mode is among the cheapest.
    bool lowerModeIsCheapest = false;
    for (int j : {a, b, c})
        if (j < M) lowerModeIsCheapest |= row.cost[j] == otherBase;
    const bool room = row.run[M] < maxRun;
    const int selfCost = row.cost[M] + (room ? continueCost : newSegmentCost);
    const int otherCost = otherBase + newSegmentCost;
    if (selfCost < otherCost || (selfCost == otherCost && !lowerModeIsCheapest))
        return {M, selfCost, room ? row.run[M] + 1 : 1};
    const int other = row.cost[a] == otherBase ? a : (row.cost[b] == otherBase ? b : c);
    return {other, otherCost, 1};
}

// The cost of a new segment of mode m that starts with one character.
inline int newSegment(const ModeCosts& costs, int m) {
    return costs.has[m] ? costs.header[m] + kFirstCharacterBits[m] : clsQRCode::Unreachable;
}

// The exact shortest segmentation, position by position: the four cells of position i come
// from the rows of positions i-1 and i-2. `predecessors`, when given, receives the PreviousMode
// of each cell, all that the trace-back reads: one byte per position, two bits per mode (mode m
// in bits 2m and 2m + 1; "none", -1, is never followed and is kept as 0). Returns the last row.
// A mode the layout lacks is never reachable.
// A payload of digits alone is one numeric segment when one count field holds it: no other
// mode spends as few bits on a digit (10/3 against 11/2 and 8) or on a single one, and every
// further segment adds a header. The search would find exactly this, at several times the cost
// (phone numbers, tracking codes and other IDs are common payloads). nullopt otherwise.
std::optional<Row> allDigitsRow(const std::uint8_t* data, int count, const ModeCosts& costs) {
    if (count <= 0 || !costs.has[ModeNumeric] || count > costs.maxRun[ModeNumeric])
        return std::nullopt;
    for (int i = 0; i < count; ++i)
        if (kCharClasses[data[i]] != 1) return std::nullopt;
    // Three digits in 10 bits, a last one or two in 4 or 7.
    constexpr int kRemainderBits[3] = {0, 4, 7};
    Row row = kStartRow;
    row.cost[ModeNumeric] =
        costs.header[ModeNumeric] + 10 * (count / 3) + kRemainderBits[count % 3];
    row.run[ModeNumeric] = count;
    return row;
}

// segment() for the common case, with the same choices: no Kanji, and no run can fill its count
// field, so a run always has room. reach<M>() then reduces to a few comparisons: byte keeps its
// run on a tie; numeric keeps it unless byte is among the cheapest; alphanumeric only when
// strictly cheaper, since a lower mode is always among the cheapest. A new segment follows the
// lowest-numbered cheapest mode.
Row segmentWithoutKanji(const std::uint8_t* data, int count, const ModeCosts& costs,
                        std::uint8_t* predecessors) {
    constexpr int kUnreachable = clsQRCode::Unreachable;
    const int byteNew = newSegment(costs, ModeByte);
    const int numericNew = newSegment(costs, ModeNumeric);
    const int alphanumericNew = newSegment(costs, ModeAlphanumeric);
    int cls = kCharClasses[data[0]];
    int byteCost = byteNew, byteRun = 1;
    int numericCost = cls == 1 ? numericNew : kUnreachable, numericRun = cls == 1 ? 1 : 0;
    int alnumCost = cls >= 1 ? alphanumericNew : kUnreachable, alnumRun = cls >= 1 ? 1 : 0;
    predecessors[0] = 0xFF; // "none", -1, for every mode
    for (int i = 1; i < count; ++i) {
        cls = kCharClasses[data[i]];
        // Byte: the others are numeric, then alphanumeric (Kanji is never cheaper).
        const int byteOtherBase = std::min(numericCost, alnumCost);
        const int byteOther = numericCost == byteOtherBase ? ModeNumeric : ModeAlphanumeric;
        const int byteSelf = byteCost + 8;
        const bool byteKeeps = byteSelf <= byteOtherBase + byteNew;
        // Numeric: the others are byte, then alphanumeric.
        const int numericOtherBase = std::min(byteCost, alnumCost);
        const int numericOther = byteCost == numericOtherBase ? ModeByte : ModeAlphanumeric;
        const int numericSelf = numericCost + 3 + (numericRun % 3 == 0);
        const int numericOtherCost = numericOtherBase + numericNew;
        const bool numericKeeps = numericSelf < numericOtherCost ||
                                  (numericSelf == numericOtherCost && byteCost != numericOtherBase);
        // Alphanumeric: the others are byte, then numeric.
        const int alnumOtherBase = std::min(byteCost, numericCost);
        const int alnumOther = byteCost == alnumOtherBase ? ModeByte : ModeNumeric;
        const int alnumSelf = alnumCost + 5 + (alnumRun % 2 == 0);
        const int alnumOtherCost = alnumOtherBase + alphanumericNew;
        const bool alnumKeeps = alnumSelf < alnumOtherCost;

        const int bytePrevious = byteKeeps ? ModeByte : byteOther;
        byteCost = byteKeeps ? byteSelf : byteOtherBase + byteNew;
        byteRun = byteKeeps ? byteRun + 1 : 1;
        int numericPrevious = 0, alnumPrevious = 0;
        if (cls == 1) {
            numericPrevious = numericKeeps ? ModeNumeric : numericOther;
            numericCost = numericKeeps ? numericSelf : numericOtherCost;
            numericRun = numericKeeps ? numericRun + 1 : 1;
        } else {
            numericCost = kUnreachable;
            numericRun = 0;
        }
        if (cls >= 1) {
            alnumPrevious = alnumKeeps ? ModeAlphanumeric : alnumOther;
            alnumCost = alnumKeeps ? alnumSelf : alnumOtherCost;
            alnumRun = alnumKeeps ? alnumRun + 1 : 1;
        } else {
            alnumCost = kUnreachable;
            alnumRun = 0;
        }
        predecessors[i] =
            static_cast<std::uint8_t>(bytePrevious | numericPrevious << 2 | alnumPrevious << 4);
    }
    Row row = kStartRow;
    row.cost[ModeByte] = byteCost, row.run[ModeByte] = byteRun;
    row.cost[ModeNumeric] = numericCost, row.run[ModeNumeric] = numericRun;
    row.cost[ModeAlphanumeric] = alnumCost, row.run[ModeAlphanumeric] = alnumRun;
    row.run[ModeKanji] = 0;
    return row;
}

Row segment(const std::uint8_t* data, int count, const ModeCosts& costs, bool allowKanji,
            std::uint8_t* predecessors) {
    // A trace-back needs every position's predecessors; the Segmentation takes digits itself.
    if (!predecessors)
        if (const std::optional<Row> digits = allDigitsRow(data, count, costs)) return *digits;
    if (predecessors && count > 0 && !(allowKanji && costs.has[ModeKanji]) && costs.has[ModeByte] &&
        costs.has[ModeNumeric] && costs.has[ModeAlphanumeric] &&
        count <= std::min({costs.maxRun[ModeByte], costs.maxRun[ModeNumeric],
                           costs.maxRun[ModeAlphanumeric]}))
        return segmentWithoutKanji(data, count, costs, predecessors);
    // Three rows in rotation: rows are never copied, since copying a row just written stalls
    // on the stores that wrote it.
    Row rows[3] = {kStartRow, kStartRow, kStartRow};
    Row* older = &rows[0]; // position i - 2
    Row* newer = &rows[1]; // position i - 1
    Row* current = &rows[2];
    const int byteNew = newSegment(costs, ModeByte);
    const int numericNew = newSegment(costs, ModeNumeric);
    const int alphanumericNew = newSegment(costs, ModeAlphanumeric);
    const int kanjiNew = newSegment(costs, ModeKanji);
    const bool byte = costs.has[ModeByte];
    const bool numeric = costs.has[ModeNumeric], alphanumeric = costs.has[ModeAlphanumeric];
    const bool kanji = allowKanji && costs.has[ModeKanji];
    for (int i = 0; i < count; ++i) {
        const Row& prev1 = *newer;
        const Row& prev2 = *older;
        const int cls = kCharClasses[data[i]];
        SegmentCell cell[4];
        if (i == 0) {
            cell[ModeByte] = byte ? SegmentCell{-1, byteNew, 1} : kUnreachableCell;
            cell[ModeNumeric] =
                cls == 1 && numeric ? SegmentCell{-1, numericNew, 1} : kUnreachableCell;
            cell[ModeAlphanumeric] =
                cls >= 1 && alphanumeric ? SegmentCell{-1, alphanumericNew, 1} : kUnreachableCell;
            cell[ModeKanji] = kUnreachableCell;
        } else {
            cell[ModeByte] = byte ? reach<ModeByte>(prev1, costs.maxRun[ModeByte], 8, byteNew)
                                  : kUnreachableCell;
            cell[ModeNumeric] =
                cls == 1 && numeric
                    ? reach<ModeNumeric>(prev1, costs.maxRun[ModeNumeric],
                                         3 + (prev1.run[ModeNumeric] % 3 == 0), numericNew)
                    : kUnreachableCell;
            cell[ModeAlphanumeric] =
                cls >= 1 && alphanumeric
                    ? reach<ModeAlphanumeric>(prev1, costs.maxRun[ModeAlphanumeric],
                                              5 + (prev1.run[ModeAlphanumeric] % 2 == 0),
                                              alphanumericNew)
                    : kUnreachableCell;
            if (!kanji || !clsQRCode::IsKanjiPair(data[i - 1], data[i]))
                cell[ModeKanji] = kUnreachableCell;
            else if (i == 1)
                cell[ModeKanji] = {-1, kanjiNew, 1};
            else
                cell[ModeKanji] = reach<ModeKanji>(prev2, costs.maxRun[ModeKanji], 13, kanjiNew);
        }
        int packed = 0;
        for (int m = 0; m < 4; ++m) {
            current->cost[m] = cell[m].Cost;
            current->run[m] = cell[m].RunLength;
            packed |= (cell[m].PreviousMode & 3) << (2 * m);
        }
        if (predecessors) predecessors[i] = static_cast<std::uint8_t>(packed);
        Row* const freed = older;
        older = newer;
        newer = current;
        current = freed;
    }
    return *newer;
}

int cheapestMode(const Row& row) {
    int e = 0;
    for (int m = 1; m < 4; ++m)
        if (row.cost[m] < row.cost[e]) e = m;
    return e;
}

// `countBits`: the width of this mode's character count.
void writeSegmentData(BitWriter& w, const std::uint8_t* bytes, int mode, int r, int countBits) {
    switch (mode) {
    case ModeByte:
        w.put(r, countBits);
        for (int i = 0; i < r; ++i) w.put(bytes[i], 8);
        break;
    case ModeNumeric: {
        w.put(r, countBits);
        int i = 0;
        for (; i + 3 <= r; i += 3)
            w.put(100 * (bytes[i] & 15) + 10 * (bytes[i + 1] & 15) + (bytes[i + 2] & 15), 10);
        if (r - i == 1) w.put(bytes[i] & 15, 4);
        if (r - i == 2) w.put(10 * (bytes[i] & 15) + (bytes[i + 1] & 15), 7);
        break;
    }
    case ModeAlphanumeric: {
        w.put(r, countBits);
        int i = 0;
        for (; i + 2 <= r; i += 2)
            w.put(45 * clsQRCode::AlphanumericValue(bytes[i]) +
                      clsQRCode::AlphanumericValue(bytes[i + 1]),
                  11);
        if (i < r) w.put(clsQRCode::AlphanumericValue(bytes[i]), 6);
        break;
    }
    default: { // Kanji: r counts bytes here, two per character
        w.put(r / 2, countBits);
        for (int i = 0; i + 1 < r; i += 2) {
            const int b1 = bytes[i], b2 = bytes[i + 1];
            const int lead = b1 <= 0x9F ? b1 - 0x81 : b1 - 0xC1;
            w.put(lead * 192 + (b2 - 64), 13);
        }
        break;
    }
    }
}

constexpr int kEciModeIndicator = 0b0111;
constexpr int kLargestEci = 999999;

// The designator in one, two or three bytes; the leading bits of the first byte say how many.
void writeEciHeader(BitWriter& w, int eci) {
    const int bytes = eci < 128 ? 1 : (eci < 16384 ? 2 : 3);
    constexpr int kFirstBytePrefix[4] = {0, 0x00, 0x80, 0xC0}; // 0…, 10…, 110…
    w.put(kEciModeIndicator, 4);
    w.put((kFirstBytePrefix[bytes] << (8 * bytes - 8)) | eci, 8 * bytes);
}

} // namespace

int clsQRCode::CharClass(std::uint8_t byte) {
    return kCharClasses[byte];
}

int clsQRCode::AlphanumericValue(std::uint8_t byte) {
    if (byte >= '0' && byte <= '9') return byte - '0';
    if (byte >= 'A' && byte <= 'Z') return byte - 'A' + 10;
    switch (byte) {
    case ' ': return 36;
    case '$': return 37;
    case '%': return 38;
    case '*': return 39;
    case '+': return 40;
    case '-': return 41;
    case '.': return 42;
    case '/': return 43;
    case ':': return 44;
    default: return 0;
    }
}

bool clsQRCode::IsKanjiPair(std::uint8_t first, std::uint8_t second) {
    if (second < 0x40) return false;
    if ((first >= 0x81 && first <= 0x9F) || (first >= 0xE0 && first <= 0xEA)) return true;
    return first == 0xEB && second <= 0xBF;
}

int clsQRCode::EciHeaderBits(int eci) {
    if (eci <= 0 || eci > kLargestEci) return 0;
    return eci < 128 ? 12 : (eci < 16384 ? 20 : 28);
}

int clsQRCode::BuildBitStream(std::uint8_t* bits, const std::uint8_t* data, int count, int version,
                              bool measureOnly, std::vector<QRSegment>* segments,
                              const EncodeOptions& options) const {
    if (measureOnly || (count <= 0 && !bits)) {
        const int header = EciHeaderBits(options.eci);
        if (count <= 0) return header + 4;
        const ModeCosts costs = costsOf(SegmentLayout::ForQRVersion(version));
        const Row last = segment(data, count, costs, options.allowKanji, nullptr);
        return header + last.cost[cheapestMode(last)] + 4;
    }
    const Segmentation segmentation(data, count, version, options.allowKanji, options.eci);
    const int length = segmentation.streamLength();
    if (length > StreamCells) return length; // too long for any symbol; never written
    return segmentation.write(bits, segments);
}

SegmentLayout SegmentLayout::ForQRVersion(int version) {
    // Count widths grow with the version ranges 1–9, 10–26 and 27–40.
    const int k = version < 10 ? 0 : (version < 27 ? 1 : 2);
    constexpr int kByte[3] = {8, 16, 16};
    SegmentLayout layout;
    layout.countBits[ModeByte] = kByte[k];
    layout.countBits[ModeNumeric] = 10 + 2 * k;
    layout.countBits[ModeAlphanumeric] = 9 + 2 * k;
    layout.countBits[ModeKanji] = 8 + 2 * k;
    return layout;
}

Segmentation::Segmentation(const std::uint8_t* data, int count, int version, bool allowKanji,
                           int eci)
    : Segmentation(data, count, SegmentLayout::ForQRVersion(version), allowKanji) {
    eci_ = clsQRCode::EciHeaderBits(eci) > 0 ? eci : 0;
    eciBits_ = clsQRCode::EciHeaderBits(eci);
}

Segmentation::Segmentation(const std::uint8_t* data, int count, const SegmentLayout& layout,
                           bool allowKanji)
    : data_(data), count_(count), layout_(layout), eci_(0), eciBits_(0),
      length_(layout.terminatorBits) {
    if (count <= 0) return;
    const ModeCosts costs = costsOf(layout_);
    if (const std::optional<Row> digits = allDigitsRow(data, count, costs)) {
        allDigits_ = true;
        lastMode_ = ModeNumeric;
        length_ = digits->cost[ModeNumeric] + layout_.terminatorBits;
        return;
    }
    predecessors_.reset(new std::uint8_t[static_cast<std::size_t>(count)]);
    const Row last = segment(data, count, costs, allowKanji, predecessors_.get());
    lastMode_ = cheapestMode(last);
    length_ = last.cost[lastMode_] + layout_.terminatorBits;
}

int Segmentation::streamLength() const {
    return eciBits_ + length_;
}

std::vector<Segmentation::Run> Segmentation::runsByTraceBack() const {
    std::vector<Run> runs; // last first until the end
    if (allDigits_) {
        runs.push_back({ModeNumeric, count_});
        return runs;
    }
    // A local pointer: a store through one byte pointer would otherwise force a reload.
    const std::uint8_t* predecessors = predecessors_.get();
    int e = lastMode_;
    int p = count_ - 1;
    int runEnd = p;
    while (p >= 0) {
        if (e != ModeKanji) {
            // Eight positions at a time while each one's predecessor in mode e is e itself;
            // position 0, whose predecessor is none, is always left to the single step.
            const std::uint64_t same = 0x0101010101010101ULL * static_cast<unsigned>(e);
            while (p >= 8) {
                std::uint64_t eight;
                std::memcpy(&eight, predecessors + p - 7, 8);
                if (((eight >> (2 * e)) & 0x0303030303030303ULL) != same) break;
                p -= 8;
            }
        }
        const int previous = (predecessors[p] >> (2 * e)) & 3;
        p -= e == ModeKanji ? 2 : 1;
        if (p < 0 || previous != e) {
            runs.push_back({e, runEnd - p});
            runEnd = p;
        }
        e = previous;
    }
    std::reverse(runs.begin(), runs.end());
    return runs;
}

int Segmentation::write(std::uint8_t* bits, std::vector<QRSegment>* segments) const {
    BitWriter w{bits};
    if (eci_ > 0) writeEciHeader(w, eci_);
    const auto writeSegment = [&](int mode, int start, int r) {
        w.put(layout_.indicator[mode], layout_.indicatorBits);
        writeSegmentData(w, data_ + start, mode, r, layout_.countBits[mode]);
        if (segments) segments->push_back({mode, r});
    };
    if (allDigits_) {
        writeSegment(ModeNumeric, 0, count_);
    } else if (count_ > 0) {
        ModeCosts costs = costsOf(layout_);
        costs.maxRun[ModeKanji] *= 2; // Kanji runs are counted in bytes from here on
        int start = 0;
        for (const Run& run : runsByTraceBack()) {
            // A run longer than one count field holds continues in a new segment.
            for (int left = run.bytes; left > 0;) {
                const int r = std::min(left, costs.maxRun[run.mode]);
                writeSegment(run.mode, start, r);
                start += r;
                left -= r;
            }
        }
    }
    w.put(0, layout_.terminatorBits);
    return w.position;
}

long long Segmentation::lowerBoundBits(const std::uint8_t* data, int count, bool allowKanji) {
    // Kanji 13/2 bits a byte, in sixths like the other rates.
    constexpr int kByteRate = 48, kKanjiRate = 39;
    long long sixths = 0;
    int i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time by comparisons: table reads gathered into vectors stall on the
    // stores that assemble them.
    {
        const auto within = [](__m128i v, char first, char last) {
            const __m128i offset = _mm_sub_epi8(v, _mm_set1_epi8(first));
            return _mm_cmpeq_epi8(
                _mm_min_epu8(offset, _mm_set1_epi8(static_cast<char>(last - first))), offset);
        };
        const __m128i one = _mm_set1_epi8(1), zero = _mm_setzero_si128();
        __m128i digits = zero, others = zero; // two 64-bit counts each
        for (; i + 16 <= count; i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
            __m128i other = within(v, 'A', 'Z');
            for (char special : {' ', '$', '%', '*', '+', '-', '.', '/', ':'})
                other = _mm_or_si128(other, _mm_cmpeq_epi8(v, _mm_set1_epi8(special)));
            digits =
                _mm_add_epi64(digits, _mm_sad_epu8(_mm_and_si128(within(v, '0', '9'), one), zero));
            others = _mm_add_epi64(others, _mm_sad_epu8(_mm_and_si128(other, one), zero));
        }
        alignas(16) long long d[2], o[2];
        _mm_store_si128(reinterpret_cast<__m128i*>(d), digits);
        _mm_store_si128(reinterpret_cast<__m128i*>(o), others);
        sixths = kByteRate * static_cast<long long>(i) -
                 (kByteRate - kRateSixths['0']) * (d[0] + d[1]) -
                 (kByteRate - kRateSixths['A']) * (o[0] + o[1]);
    }
#endif
    for (; i < count; ++i) sixths += kRateSixths[data[i]];
    if (allowKanji) {
        // A byte of a Kanji pair (with either neighbour) may cost only the Kanji rate.
        for (int k = 0; k < count; ++k) {
            const bool kanjiPart =
                (k + 1 < count && clsQRCode::IsKanjiPair(data[k], data[k + 1])) ||
                (k > 0 && clsQRCode::IsKanjiPair(data[k - 1], data[k]));
            if (kanjiPart && kCharClasses[data[k]] == 0) sixths -= kByteRate - kKanjiRate;
        }
    }
    return (sixths + 5) / 6;
}
