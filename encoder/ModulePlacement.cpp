// Function patterns, the zigzag placement of the codeword stream and the version information.
// FunctionMatrix cells: 0 free (data), 1 dark function module, 2 light function module.
#include "encoder/clsQRCode.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr std::uint8_t kDark = 1;
constexpr std::uint8_t kLight = 2;

struct Grid {
    std::uint8_t* cells;
    int stride;
    std::uint8_t& at(int r, int c) const { return cells[r * stride + c]; }
};

void drawFinders(const Grid& g, int h) {
    for (int r = 0; r <= 7; ++r) {
        for (int c = 0; c <= 7; ++c) {
            const bool ring = ((r == 1 || r == 5) && c >= 1 && c <= 5) ||
                              ((c == 1 || c == 5) && r >= 1 && r <= 5);
            const std::uint8_t value = (r == 7 || c == 7 || ring) ? kLight : kDark;
            g.at(r, c) = value;
            g.at(r, h - 1 - c) = value;
            g.at(h - 1 - r, c) = value;
        }
    }
}

void reserveFormatAreas(const Grid& g, int h) {
    for (int i = 0; i <= 7; ++i) {
        g.at(8, i) = kLight;
        g.at(i, 8) = kLight;
        g.at(8, h - 1 - i) = kLight;
        g.at(h - 1 - i, 8) = kLight;
    }
    g.at(8, 8) = kLight;
}

void reserveVersionAreas(const Grid& g, int h) {
    for (int r = h - 11; r <= h - 9; ++r) {
        for (int c = 0; c <= 6; ++c) {
            g.at(r, c) = kLight;
            g.at(c, r) = kLight;
        }
    }
}

void drawTiming(const Grid& g, int h) {
    for (int i = 8; i <= h - 9; ++i) {
        const std::uint8_t value = i % 2 == 0 ? kDark : kLight;
        g.at(6, i) = value;
        g.at(i, 6) = value;
    }
}

void drawAlignmentPattern(const Grid& g, int row, int column) {
    for (int dr = -2; dr <= 2; ++dr)
        for (int dc = -2; dc <= 2; ++dc) {
            const bool dark = dr == 2 || dr == -2 || dc == 2 || dc == -2 || (dr == 0 && dc == 0);
            g.at(row + dr, column + dc) = dark ? kDark : kLight;
        }
}

} // namespace

void clsQRCode::DrawFunctionPatterns(std::uint8_t* matrix, int version) const {
    if (version < 1 || version > 40) return;
    const int h = SymbolSize(version);
    const Grid g{matrix, h + 3};
    drawFinders(g, h);
    reserveFormatAreas(g, h);
    g.at(h - 8, 8) = kDark;
    if (version >= 7) reserveVersionAreas(g, h);
    drawTiming(g, h);
    if (version < 2) return;

    // Centres counted back from h - 7 by the version's spacing, down to 18.
    const int s = AlignmentSpacing[version];
    int centres[7];
    int n = 0;
    for (int p = h - 7; p >= 18; p -= s) centres[n++] = p;
    for (int a = 0; a < n; ++a)
        for (int b = 0; b < n; ++b) drawAlignmentPattern(g, centres[a], centres[b]);
    for (int a = 1; a < n; ++a) {
        drawAlignmentPattern(g, 6, centres[a]);
        drawAlignmentPattern(g, centres[a], 6);
    }
}

// The zigzag visits the two cells of a strip in one row one after the other, right then left,
// so each such pair is one slot and one 16-bit store. Where only one of the two is free (beside
// an alignment pattern or the version information) the slot's other bit carries the function
// module's own value, so that every slot still takes two bits and one store. Everything here
// depends on the version alone and is worked out on its first use.
struct clsQRCode::PlacementPlan {
    int side = 0;
    std::vector<std::uint8_t> image;  // the function modules as they appear, 0 on free cells
    std::vector<std::uint16_t> pairs; // the left cell of each slot, in zigzag order
    std::vector<std::uint8_t> free;   // per slot: 2 when its right cell is free, 1 the left
    // Data bits [from, from + length) become slot bits [to, to + length).
    struct Run {
        int from, to, length;
    };
    std::vector<Run> runs;
    // Slot words [word, word + words) lie inside one run: 64 data bits each from bit `from` on.
    struct Span {
        int word, words, from;
    };
    std::vector<Span> spans;
    // The data bits of the slot words at the ends of runs: (64 bits from `from`) >> shift, masked.
    struct Piece {
        int word, from, shift;
        std::uint64_t mask;
    };
    std::vector<Piece> pieces;
    int words = 0; // 64-bit words of slot bits, the first bit the most significant
    // Per mask, built on its first use: slot bits XORed onto the data, the mask's value on
    // free cells and the function module's own value on the others.
    std::array<std::vector<std::uint64_t>, 8> constants;
};

void clsQRCode::PlacementPlanDeleter::operator()(PlacementPlan* plan) const {
    delete plan;
}

const clsQRCode::PlacementPlan& clsQRCode::placementPlan(int version) {
    auto& slot = placementPlans_[version];
    if (slot) return *slot;
    std::unique_ptr<PlacementPlan, PlacementPlanDeleter> plan(new PlacementPlan);
    const int h = SymbolSize(version);
    const int stride = h + 3;
    std::vector<std::uint8_t> function(static_cast<std::size_t>(stride) * stride, 0);
    DrawFunctionPatterns(function.data(), version);
    plan->side = h;
    plan->image.assign(static_cast<std::size_t>(h) * h, 0);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < h; ++c) plan->image[r * h + c] = function[r * stride + c] == kDark;
    if (version >= 7) writeVersionInformation(plan->image.data(), h, version);

    plan->pairs.reserve(RawDataModules(version) / 2 + 256);
    int dataBit = 0, slotBit = 0;
    auto cell = [&](bool free) {
        if (free) {
            std::vector<PlacementPlan::Run>& runs = plan->runs;
            if (!runs.empty() && runs.back().from + runs.back().length == dataBit &&
                runs.back().to + runs.back().length == slotBit)
                ++runs.back().length;
            else
                runs.push_back({dataBit, slotBit, 1});
            ++dataBit;
        }
        ++slotBit;
    };
    auto visit = [&](int r, int c) {
        const bool right = function[r * stride + c + 1] == 0, left = function[r * stride + c] == 0;
        if (!right && !left) return;
        plan->pairs.push_back(static_cast<std::uint16_t>(r * h + c));
        plan->free.push_back(static_cast<std::uint8_t>((right ? 2 : 0) | (left ? 1 : 0)));
        cell(right);
        cell(left);
    };
    for (int R = h; R >= 5;) {
        int c = R - 2 < 6 ? R - 3 : R - 2;
        for (int r = h - 1; r >= 0; --r) visit(r, c);
        R -= 4;
        c = R < 6 ? R - 1 : R;
        for (int r = 0; r < h; ++r) visit(r, c);
    }
    plan->words = (slotBit + 63) / 64;
    for (const PlacementPlan::Run& run : plan->runs) {
        const int end = run.to + run.length;
        for (int word = run.to >> 6; word << 6 < end; ++word) {
            const int low = std::max(run.to, word << 6), high = std::min(end, (word + 1) << 6);
            const int from = run.from + (low - run.to);
            if (high - low == 64) {
                PlacementPlan::Span* last = plan->spans.empty() ? nullptr : &plan->spans.back();
                if (last && last->word + last->words == word &&
                    last->from + 64 * last->words == from)
                    ++last->words;
                else
                    plan->spans.push_back({word, 1, from});
                continue;
            }
            const int shift = low & 63, n = high - low;
            const std::uint64_t mask = (~std::uint64_t{0} << (64 - n)) >> shift;
            plan->pieces.push_back({word, from, shift, mask});
        }
    }
    slot = std::move(plan);
    return *slot;
}

namespace {

// A slot-bit byte as four 16-bit stores: slot k takes bits 7-2k (its right cell, the high
// byte) and 6-2k (its left cell, the low byte).
constexpr std::array<std::uint64_t, 256> pairSpreads() {
    std::array<std::uint64_t, 256> spreads{};
    for (int v = 0; v < 256; ++v)
        for (int k = 0; k < 4; ++k) {
            const std::uint64_t right = (v >> (7 - 2 * k)) & 1, left = (v >> (6 - 2 * k)) & 1;
            spreads[v] |= (left | right << 8) << (16 * k);
        }
    return spreads;
}

constexpr std::array<std::uint64_t, 256> kPairSpreads = pairSpreads();

// 64 bits of a byte string, most significant first, from bit `position` on.
std::uint64_t bitsAt(const std::uint8_t* bytes, int position) {
    const std::uint8_t* p = bytes + (position >> 3);
    const int shift = position & 7;
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    return (word << shift) | (static_cast<std::uint64_t>(p[8]) >> (8 - shift));
}

void storePair(std::uint8_t* at, std::uint64_t cells) {
    const auto two = static_cast<std::uint16_t>(cells);
    std::memcpy(at, &two, 2);
}

} // namespace

void clsQRCode::placeCodewords(std::uint8_t* modules, const std::uint8_t* codewords, int version,
                               int mask) {
    placementPlan(version);
    PlacementPlan& plan = *placementPlans_[version];
    const int h = plan.side;
    const int slots = static_cast<int>(plan.pairs.size());
    std::vector<std::uint64_t>& constants = plan.constants[mask];
    if (constants.empty()) {
        constants.assign(static_cast<std::size_t>(plan.words), 0);
        for (int s = 0; s < slots; ++s) {
            const int r = plan.pairs[s] / h, c = plan.pairs[s] % h;
            for (int half = 0; half < 2; ++half) {
                const int column = c + 1 - half;
                const bool free = (plan.free[s] >> (1 - half)) & 1;
                const bool bit = free ? maskCondition(mask, r, column) : plan.image[r * h + column];
                const int position = 2 * s + half;
                if (bit) constants[position >> 6] |= std::uint64_t{1} << (63 - (position & 63));
            }
        }
    }

    // The slot bits: the constants, with the data bits XORed in; words inside a run take their
    // 64 bits in one funnel shift of the codewords read as big-endian words.
    std::uint64_t source[kMaxSlotWords + 2];
    const int sourceWords = (TotalCodewords(version) + 8) / 8 + 1;
    for (int w = 0; w < sourceWords; ++w) {
        std::uint64_t word;
        std::memcpy(&word, codewords + 8 * w, 8);
        if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
        source[w] = word;
    }
    std::uint64_t bits[kMaxSlotWords + 1];
    std::memcpy(bits, constants.data(), sizeof(std::uint64_t) * plan.words);
    for (const PlacementPlan::Span& span : plan.spans) {
        const std::uint64_t* __restrict in = source + (span.from >> 6);
        std::uint64_t* __restrict out = bits + span.word;
        const int shift = span.from & 63;
        if (shift == 0) {
            for (int w = 0; w < span.words; ++w) out[w] ^= in[w];
        } else {
            for (int w = 0; w < span.words; ++w)
                out[w] ^= (in[w] << shift) | (in[w + 1] >> (64 - shift));
        }
    }
    for (const PlacementPlan::Piece& piece : plan.pieces)
        bits[piece.word] ^= (bitsAt(codewords, piece.from) >> piece.shift) & piece.mask;

    std::memcpy(modules, plan.image.data(), plan.image.size());
    std::uint8_t* __restrict out = modules;
    const std::uint16_t* __restrict pair = plan.pairs.data();
    const std::uint64_t* __restrict spread = kPairSpreads.data();
    const int wholeWords = slots / 32;
    for (int q = 0; q < wholeWords; ++q, pair += 32) {
        const std::uint64_t word = bits[q];
        for (int k = 0; k < 8; ++k) {
            const std::uint64_t cells = spread[(word >> (56 - 8 * k)) & 0xFF];
            storePair(out + pair[4 * k], cells);
            storePair(out + pair[4 * k + 1], cells >> 16);
            storePair(out + pair[4 * k + 2], cells >> 32);
            storePair(out + pair[4 * k + 3], cells >> 48);
        }
    }
    for (int s = wholeWords * 32; s < slots; ++s, ++pair) {
        const int two = static_cast<int>((bits[s >> 5] >> (62 - 2 * (s & 31))) & 3);
        storePair(out + *pair, static_cast<std::uint64_t>((two & 1) | (two >> 1) << 8));
    }
}

int clsQRCode::BchRemainder(int value, int generator, int topBit, int steps) {
    for (int i = 0; i < steps; ++i) {
        value *= 2;
        if (value & topBit) value = (value ^ generator) & (topBit - 1);
    }
    return value;
}

int clsQRCode::VersionWord(int version) const {
    return version * 4096 + BchRemainder(version, 0x1F25, 0x1000, 12);
}

void clsQRCode::writeVersionInformation(std::uint8_t* grid, int stride, int version) const {
    const int h = SymbolSize(version);
    const Grid g{grid, stride};
    const int word = VersionWord(version);
    for (int j = 0; j <= 5; ++j)
        for (int k = 0; k <= 2; ++k) {
            const std::uint8_t bit = (word & BitWeights[3 * j + k]) != 0 ? 1 : 0;
            g.at(h - 11 + k, j) = bit;
            g.at(j, h - 11 + k) = bit;
        }
}
