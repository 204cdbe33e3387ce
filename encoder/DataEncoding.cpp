// Payload bytes to the shortest segmented bit stream: an exact dynamic programme over byte
// positions and the four modes, a trace-back to a mode per byte, and the segment writer.
#include "Segmentation.h"

#include <array>
#include <climits>

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

using SegmentCell = Segmentation::Cell;

constexpr SegmentCell kUnreachableCell{0, clsQRCode::Unreachable, 0};

int countClass(int version) {
    return version < 10 ? 2 : (version < 27 ? 4 : 6);
}

struct MaxRuns {
    int of[4];
};

MaxRuns maxRunsFor(int k) {
    if (k == 2) return {{255, 1023, 511, 255}};
    if (k == 4) return {{65535, 4095, 2047, 1023}};
    return {{65535, 16383, 8191, 4095}};
}

// Writes `width` bits of `value`, most significant first, one 0/1 cell each.
struct BitWriter {
    std::uint8_t* cells;
    int position = 0;
    void put(int value, int width) {
        for (int b = width - 1; b >= 0; --b)
            cells[position++] = static_cast<std::uint8_t>((value >> b) & 1);
    }
};

// The two cheapest modes of a row, each the lowest-numbered among equals. Every way into a
// mode other than continuing its own run costs the same header, so these two decide it.
struct Ranking {
    int first, second;
};

Ranking rank(const SegmentCell* row) {
    // A pass over the four costs keeping the best two; strict comparisons keep the lower mode
    // number first among equals.
    int first = 0, second = 1;
    if (row[1].Cost < row[0].Cost) first = 1, second = 0;
    for (int m = 2; m < 4; ++m) {
        const int cost = row[m].Cost;
        if (cost < row[first].Cost) {
            second = first;
            first = m;
        } else if (cost < row[second].Cost) {
            second = m;
        }
    }
    return {first, second};
}

// The best predecessor for `mode` in `row`: its own run continues at `continueCost` while the
// run has room, and any mode (its own included, once the run is full) starts a new segment at
// `newSegmentCost`. Ties go to the lower mode number.
SegmentCell reach(const SegmentCell* row, Ranking ranking, int mode, int maxRun, int continueCost,
                  int newSegmentCost) {
    const int run = row[mode].RunLength;
    const bool roomInRun = run < maxRun;
    const int selfCost = row[mode].Cost + (roomInRun ? continueCost : newSegmentCost);
    const int other = ranking.first != mode ? ranking.first : ranking.second;
    const int otherCost = row[other].Cost + newSegmentCost;
    const bool self = selfCost < otherCost || (selfCost == otherCost && mode < other);
    return {self ? mode : other, self ? selfCost : otherCost, self && roomInRun ? run + 1 : 1};
}

// Fills the four cells of position i from the rows of positions i-1 and i-2.
struct Segmenter {
    const std::uint8_t* data;
    int k;
    MaxRuns maxRun;
    bool allowKanji;

    void fill(int i, SegmentCell* cur, const SegmentCell* prev1, const SegmentCell* prev2) const {
        const int cls = kCharClasses[data[i]];
        if (i == 0) {
            cur[ModeByte] = {-1, k == 2 ? 20 : 28, 1};
            cur[ModeNumeric] = cls == 1 ? SegmentCell{-1, k + 16, 1} : kUnreachableCell;
            cur[ModeAlphanumeric] = cls >= 1 ? SegmentCell{-1, k + 17, 1} : kUnreachableCell;
            cur[ModeKanji] = kUnreachableCell;
            return;
        }
        const Ranking ranking = rank(prev1);
        const int byteHeader = k == 2 ? 12 : 20;
        cur[ModeByte] = reach(prev1, ranking, ModeByte, maxRun.of[ModeByte], 8, 8 + byteHeader);
        if (cls == 1) {
            const int continueCost = 3 + (prev1[ModeNumeric].RunLength % 3 == 0 ? 1 : 0);
            cur[ModeNumeric] =
                reach(prev1, ranking, ModeNumeric, maxRun.of[ModeNumeric], continueCost, k + 16);
        } else {
            cur[ModeNumeric] = kUnreachableCell;
        }
        if (cls >= 1) {
            const int continueCost = 5 + (prev1[ModeAlphanumeric].RunLength % 2 == 0 ? 1 : 0);
            cur[ModeAlphanumeric] = reach(prev1, ranking, ModeAlphanumeric,
                                          maxRun.of[ModeAlphanumeric], continueCost, k + 17);
        } else {
            cur[ModeAlphanumeric] = kUnreachableCell;
        }
        if (!allowKanji || !clsQRCode::IsKanjiPair(data[i - 1], data[i])) {
            cur[ModeKanji] = kUnreachableCell;
        } else if (i == 1) {
            cur[ModeKanji] = {-1, k + 23, 1};
        } else {
            cur[ModeKanji] =
                reach(prev2, rank(prev2), ModeKanji, maxRun.of[ModeKanji], 13, 13 + k + 10);
        }
    }
};

int cheapestMode(const SegmentCell* row) {
    int e = 0;
    for (int m = 1; m < 4; ++m)
        if (row[m].Cost < row[e].Cost) e = m;
    return e;
}

void writeSegmentData(BitWriter& w, const std::uint8_t* bytes, int mode, int r, int k) {
    switch (mode) {
    case ModeByte:
        w.put(r, k == 2 ? 8 : 16);
        for (int i = 0; i < r; ++i) w.put(bytes[i], 8);
        break;
    case ModeNumeric: {
        w.put(r, k + 8);
        int i = 0;
        for (; i + 3 <= r; i += 3)
            w.put(100 * (bytes[i] & 15) + 10 * (bytes[i + 1] & 15) + (bytes[i + 2] & 15), 10);
        if (r - i == 1) w.put(bytes[i] & 15, 4);
        if (r - i == 2) w.put(10 * (bytes[i] & 15) + (bytes[i + 1] & 15), 7);
        break;
    }
    case ModeAlphanumeric: {
        w.put(r, k + 7);
        int i = 0;
        for (; i + 2 <= r; i += 2)
            w.put(45 * clsQRCode::AlphanumericValue(bytes[i]) +
                      clsQRCode::AlphanumericValue(bytes[i + 1]),
                  11);
        if (i < r) w.put(clsQRCode::AlphanumericValue(bytes[i]), 6);
        break;
    }
    default: { // Kanji: r counts bytes here, two per character
        w.put(r / 2, k + 6);
        for (int i = 0; i + 1 < r; i += 2) {
            const int b1 = bytes[i], b2 = bytes[i + 1];
            const int lead = b1 <= 0x9F ? b1 - 0x81 : b1 - 0xC1;
            w.put(lead * 192 + (b2 - 64), 13);
        }
        break;
    }
    }
}

constexpr int kModeIndicator[4] = {0b0100, 0b0001, 0b0010, 0b1000};

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

int clsQRCode::PadPatternBit(int i) {
    constexpr int kPattern = 0b1110110000010001; // 0xEC, 0x11
    return (kPattern >> (15 - (i & 15))) & 1;
}

int clsQRCode::BuildBitStream(std::uint8_t* bits, const std::uint8_t* data, int count, int version,
                              bool measureOnly, std::vector<QRSegment>* segments) const {
    if (count <= 0) {
        if (bits)
            for (int i = 0; i < 4; ++i) bits[i] = 0;
        return 4;
    }
    if (measureOnly) {
        const int k = countClass(version);
        const Segmenter segmenter{data, k, maxRunsFor(k), AllowKanji};
        // Only the last two rows are ever read, so three rotating rows suffice.
        SegmentCell rows[3][4];
        for (int i = 0; i < count; ++i)
            segmenter.fill(i, rows[i % 3], rows[(i + 2) % 3], rows[(i + 1) % 3]);
        return rows[(count - 1) % 3][cheapestMode(rows[(count - 1) % 3])].Cost + 4;
    }
    const Segmentation segmentation(data, count, version, AllowKanji);
    const int length = segmentation.streamLength();
    if (length > StreamCells) return length; // too long for any symbol; never written
    return segmentation.write(bits, segments);
}

Segmentation::Segmentation(const std::uint8_t* data, int count, int version, bool allowKanji)
    : data_(data), count_(count), k_(::countClass(version)) {
    if (count <= 0) return;
    const Segmenter segmenter{data, k_, maxRunsFor(k_), allowKanji};
    table_.reset(new Cell[static_cast<std::size_t>(count) * 4]);
    for (int i = 0; i < count; ++i) {
        SegmentCell* cur = &table_[i * 4];
        segmenter.fill(i, cur, i >= 1 ? cur - 4 : nullptr, i >= 2 ? cur - 8 : nullptr);
    }
}

int Segmentation::streamLength() const {
    if (count_ <= 0) return 4;
    const SegmentCell* last = &table_[(count_ - 1) * 4];
    return last[cheapestMode(last)].Cost + 4;
}

std::vector<std::uint8_t> Segmentation::modesByTraceBack() const {
    std::vector<std::uint8_t> modes(count_);
    int e = cheapestMode(&table_[(count_ - 1) * 4]);
    for (int p = count_ - 1; p >= 0;) {
        const int previous = table_[p * 4 + e].PreviousMode;
        modes[p] = static_cast<std::uint8_t>(e);
        if (e == ModeKanji) {
            modes[p - 1] = ModeKanji;
            p -= 2;
        } else {
            p -= 1;
        }
        e = previous;
    }
    return modes;
}

int Segmentation::write(std::uint8_t* bits, std::vector<QRSegment>* segments) const {
    BitWriter w{bits};
    if (count_ > 0) {
        const std::vector<std::uint8_t> modes = modesByTraceBack();
        MaxRuns maxRun = maxRunsFor(k_);
        maxRun.of[ModeKanji] *= 2; // Kanji runs are counted in bytes from here on
        for (int start = 0; start < count_;) {
            const int mode = modes[start];
            int r = 1;
            while (start + r <= count_ - 1 && modes[start + r] == mode && r < maxRun.of[mode]) ++r;
            w.put(kModeIndicator[mode], 4);
            writeSegmentData(w, data_ + start, mode, r, k_);
            if (segments) segments->push_back({mode, r});
            start += r;
        }
    }
    w.put(0, 4);
    return w.position;
}

long long Segmentation::lowerBoundBits(const std::uint8_t* data, int count, bool allowKanji) {
    // Rates in sixths of a bit: numeric 10/3, alphanumeric 11/2, Kanji 13/2, byte 8.
    long long sixths = 0;
    for (int i = 0; i < count; ++i) {
        const int cls = kCharClasses[data[i]];
        int rate = cls == 1 ? 20 : (cls == 2 ? 33 : 48);
        const bool kanjiPart =
            allowKanji && ((i + 1 < count && clsQRCode::IsKanjiPair(data[i], data[i + 1])) ||
                           (i > 0 && clsQRCode::IsKanjiPair(data[i - 1], data[i])));
        if (kanjiPart && rate > 39) rate = 39;
        sixths += rate;
    }
    return (sixths + 5) / 6;
}
