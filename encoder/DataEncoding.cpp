// Payload bytes to the shortest segmented bit stream: an exact dynamic programme over byte
// positions and the four modes, a trace-back to a mode per byte, and the segment writer.
#include "clsQRCode.h"

#include <climits>

namespace {

struct SegmentCell {
    std::int32_t PreviousMode;
    std::int32_t Cost; // least stream bits for bytes 0 … i ending in this mode, no terminator
    std::int32_t RunLength;
};

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

// The best predecessor among the four modes of `row`, lowest mode number on ties. `stepCost`
// gives the cost of continuing from mode j; `continues` tells whether j extends the same run.
template <class StepCost>
SegmentCell bestFrom(const SegmentCell* row, int mode, int maxRun, StepCost stepCost) {
    int best = INT_MAX;
    int chosen = 0;
    for (int j = 0; j < 4; ++j) {
        const int candidate = row[j].Cost + stepCost(j);
        if (candidate < best) {
            best = candidate;
            chosen = j;
        }
    }
    const bool extendsRun = chosen == mode && row[mode].RunLength < maxRun;
    return {chosen, best, extendsRun ? row[mode].RunLength + 1 : 1};
}

// Fills the four cells of position i from the rows of positions i-1 and i-2.
struct Segmenter {
    const std::uint8_t* data;
    int k;
    MaxRuns maxRun;
    bool allowKanji;

    void fill(int i, SegmentCell* cur, const SegmentCell* prev1, const SegmentCell* prev2) const {
        const int cls = clsQRCode::CharClass(data[i]);
        const int byteHeader = k == 2 ? 12 : 20;
        if (i == 0) {
            cur[ModeByte] = {-1, k == 2 ? 20 : 28, 1};
            cur[ModeNumeric] = cls == 1 ? SegmentCell{-1, k + 16, 1} : kUnreachableCell;
            cur[ModeAlphanumeric] = cls >= 1 ? SegmentCell{-1, k + 17, 1} : kUnreachableCell;
            cur[ModeKanji] = kUnreachableCell;
            return;
        }
        cur[ModeByte] = bestFrom(prev1, ModeByte, maxRun.of[ModeByte], [&](int j) {
            const bool newSegment =
                j != ModeByte || prev1[ModeByte].RunLength >= maxRun.of[ModeByte];
            return 8 + (newSegment ? byteHeader : 0);
        });
        if (cls == 1) {
            cur[ModeNumeric] = bestFrom(prev1, ModeNumeric, maxRun.of[ModeNumeric], [&](int j) {
                const int run = prev1[ModeNumeric].RunLength;
                if (j == ModeNumeric && run < maxRun.of[ModeNumeric])
                    return 3 + (run % 3 == 0 ? 1 : 0);
                return k + 16;
            });
        } else {
            cur[ModeNumeric] = kUnreachableCell;
        }
        if (cls >= 1) {
            cur[ModeAlphanumeric] =
                bestFrom(prev1, ModeAlphanumeric, maxRun.of[ModeAlphanumeric], [&](int j) {
                    const int run = prev1[ModeAlphanumeric].RunLength;
                    if (j == ModeAlphanumeric && run < maxRun.of[ModeAlphanumeric])
                        return 5 + (run % 2 == 0 ? 1 : 0);
                    return k + 17;
                });
        } else {
            cur[ModeAlphanumeric] = kUnreachableCell;
        }
        if (!allowKanji || !clsQRCode::IsKanjiPair(data[i - 1], data[i])) {
            cur[ModeKanji] = kUnreachableCell;
        } else if (i == 1) {
            cur[ModeKanji] = {-1, k + 23, 1};
        } else {
            cur[ModeKanji] = bestFrom(prev2, ModeKanji, maxRun.of[ModeKanji], [&](int j) {
                const bool newSegment =
                    j != ModeKanji || prev2[ModeKanji].RunLength >= maxRun.of[ModeKanji];
                return 13 + (newSegment ? k + 10 : 0);
            });
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
    if (byte >= '0' && byte <= '9') return 1;
    if (byte >= 'A' && byte <= 'Z') return 2;
    switch (byte) {
    case ' ':
    case '$':
    case '%':
    case '*':
    case '+':
    case '-':
    case '.':
    case '/':
    case ':': return 2;
    default: return 0;
    }
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
    const int k = countClass(version);
    const Segmenter segmenter{data, k, maxRunsFor(k), AllowKanji};

    if (measureOnly) {
        // Only the last two rows are ever read, so three rotating rows suffice.
        SegmentCell rows[3][4];
        for (int i = 0; i < count; ++i)
            segmenter.fill(i, rows[i % 3], rows[(i + 2) % 3], rows[(i + 1) % 3]);
        return rows[(count - 1) % 3][cheapestMode(rows[(count - 1) % 3])].Cost + 4;
    }

    std::vector<SegmentCell> table(static_cast<std::size_t>(count) * 4);
    for (int i = 0; i < count; ++i) {
        SegmentCell* cur = &table[i * 4];
        segmenter.fill(i, cur, i >= 1 ? cur - 4 : nullptr, i >= 2 ? cur - 8 : nullptr);
    }
    int e = cheapestMode(&table[(count - 1) * 4]);
    const int length = table[(count - 1) * 4 + e].Cost + 4;
    if (length > StreamCells) return length; // too long for any symbol; never written

    std::vector<std::uint8_t> modes(count);
    for (int p = count - 1; p >= 0;) {
        const int previous = table[p * 4 + e].PreviousMode;
        modes[p] = static_cast<std::uint8_t>(e);
        if (e == ModeKanji) {
            modes[p - 1] = ModeKanji;
            p -= 2;
        } else {
            p -= 1;
        }
        e = previous;
    }
    table.clear();
    table.shrink_to_fit();

    MaxRuns maxRun = maxRunsFor(k);
    maxRun.of[ModeKanji] *= 2; // Kanji runs are counted in bytes from here on
    BitWriter w{bits};
    for (int start = 0; start < count;) {
        const int mode = modes[start];
        int r = 1;
        while (start + r <= count - 1 && modes[start + r] == mode && r < maxRun.of[mode]) ++r;
        w.put(kModeIndicator[mode], 4);
        writeSegmentData(w, data + start, mode, r, k);
        if (segments) segments->push_back({mode, r});
        start += r;
    }
    w.put(0, 4);
    return w.position;
}
