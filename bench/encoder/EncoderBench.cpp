// Encoder throughput on typical payloads, against libqrencode forced to the same level and mask.
#include "encoder/clsQRCode.h"
#include "raster/EncodeToPicture.h"

#include <QImage>

#include <benchmark/benchmark.h>
#include <qrencode.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Exported by Debian's libqrencode 4.1.1 but not declared in its header.
extern "C" QRcode* QRcode_encodeMask(QRinput* input, int mask);

namespace {

std::string repeat(const std::string& unit, std::size_t bytes) {
    std::string s;
    while (s.size() < bytes) s += unit;
    s.resize(bytes);
    return s;
}

std::string chinese300() {
    std::string s;
    while (s.size() + 3 <= 300) s += "二维码生成器测试文本";
    return s.substr(0, 300 - 300 % 3);
}

std::string payload(int which) {
    switch (which) {
    case 0: return "abcdefghijklmnopq"; // version 2
    case 1:
        return "https://www.example.com/products/qr-code/"
               "generator?id=1234567890&lang=zh-CN&ref=bench-00001";
    case 2: return chinese300();
    case 3: return repeat("0123456789", 1000);
    default: return repeat("byte payload for the largest symbol; ", 1663); // 40-Q
    }
}

const char* kNames[] = {"17 letters", "100-byte URL", "300 bytes Chinese", "1000 digits",
                        "1663 bytes 40-Q"};

const std::uint8_t* bytes(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

void BM_EncodeToMatrix(benchmark::State& state) {
    const std::string p = payload(static_cast<int>(state.range(0)));
    clsQRCode qr;
    for (auto _ : state) {
        auto symbol = qr.EncodeToMatrix(bytes(p), static_cast<int>(p.size()), 0, 3, -1);
        if (!symbol) state.SkipWithError("no symbol");
        benchmark::DoNotOptimize(symbol);
    }
    state.SetLabel(kNames[state.range(0)]);
}

void BM_EncodeToPicture(benchmark::State& state) {
    const std::string p = payload(static_cast<int>(state.range(0)));
    clsQRCode qr;
    for (auto _ : state) {
        QImage picture = EncodeToPicture(qr, bytes(p), static_cast<int>(p.size()), 0, 3, -1);
        benchmark::DoNotOptimize(picture);
    }
    state.SetLabel(kNames[state.range(0)]);
}

// libqrencode at version 0 (smallest that fits), level Q, mask 0; the digits go in numeric
// mode, everything else as bytes, so that both encoders make symbols of comparable size.
void BM_Libqrencode(benchmark::State& state) {
    const std::string p = payload(static_cast<int>(state.range(0)));
    const QRencodeMode mode = state.range(0) == 3 ? QR_MODE_NUM : QR_MODE_8;
    for (auto _ : state) {
        QRinput* input = QRinput_new2(0, QR_ECLEVEL_Q);
        QRinput_append(input, mode, static_cast<int>(p.size()), bytes(p));
        QRcode* code = QRcode_encodeMask(input, 0);
        if (!code) state.SkipWithError("libqrencode failed");
        benchmark::DoNotOptimize(code);
        QRcode_free(code);
        QRinput_free(input);
    }
    state.SetLabel(kNames[state.range(0)]);
}

// ---- The floor of one 40-Q symbol: each step of the encode as a minimal stand-alone loop over
// the same payload and the same sizes, with everything that depends on the version alone worked
// out beforehand (as the encoder caches it). The full encode is timed beside their sum.

constexpr int kFloorVersion = 40;
constexpr int kFloorLevel = 3; // Q

struct FloorSetup {
    std::string text = payload(4);
    int h = clsQRCode::SymbolSize(kFloorVersion);
    int blocks = 0, ecPerBlock = 0, dataCodewords = 0, total = 0;
    std::array<std::uint8_t, 256> classes{};
    std::array<std::uint8_t, 256 * 32> products{}; // t · g(x), coefficient j at byte 32 - E + j
    std::vector<std::uint8_t> functionImage;       // final function modules, 0 on free cells
    std::vector<std::uint8_t> freeCells;           // 1 on free cells
    std::vector<std::uint16_t> pairs;              // left cell of each zigzag pair with a free cell
    std::array<std::uint64_t, 256> pairSpread{};   // byte to four (second, first) cell pairs

    FloorSetup() {
        clsQRCode qr;
        blocks = qr.BlockCount(kFloorVersion, kFloorLevel);
        ecPerBlock = qr.EcCodewords(kFloorVersion, kFloorLevel);
        dataCodewords = qr.DataCodewords(kFloorVersion, kFloorLevel);
        total = clsQRCode::TotalCodewords(kFloorVersion);
        for (int b = 0; b < 256; ++b)
            classes[b] = static_cast<std::uint8_t>(clsQRCode::CharClass(b));

        // GF(256) with x^8 + x^4 + x^3 + x^2 + 1; g(x) = (x - 1)(x - α)…(x - α^(E-1)).
        auto mul = [](int a, int b) {
            int r = 0;
            for (; b; b >>= 1, a = (a << 1) ^ ((a & 0x80) ? 0x11D : 0))
                if (b & 1) r ^= a;
            return r & 0xFF;
        };
        std::vector<int> g = {1};
        for (int i = 0, root = 1; i < ecPerBlock; ++i, root = mul(root, 2)) {
            std::vector<int> next(g.size() + 1, 0); // lowest degree first
            for (std::size_t j = 0; j < g.size(); ++j) {
                next[j + 1] ^= g[j];
                next[j] ^= mul(g[j], root);
            }
            g = next;
        }
        for (int t = 0; t < 256; ++t)
            for (int j = 0; j < ecPerBlock; ++j)
                products[t * 32 + 32 - ecPerBlock + j] = static_cast<std::uint8_t>(mul(t, g[j]));

        const int stride = h + 3;
        std::vector<std::uint8_t> f(static_cast<std::size_t>(stride) * stride, 0);
        qr.DrawFunctionPatterns(f.data(), kFloorVersion);
        functionImage.assign(static_cast<std::size_t>(h) * h, 0);
        freeCells.assign(static_cast<std::size_t>(h) * h, 0);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < h; ++c) {
                functionImage[r * h + c] = f[r * stride + c] == 1;
                freeCells[r * h + c] = f[r * stride + c] == 0;
            }
        auto visit = [&](int r, int c) {
            if (freeCells[r * h + c] || freeCells[r * h + c + 1])
                pairs.push_back(static_cast<std::uint16_t>(r * h + c));
        };
        for (int R = h; R >= 5;) {
            int c = R - 2 < 6 ? R - 3 : R - 2;
            for (int r = h - 1; r >= 0; --r) visit(r, c);
            R -= 4;
            c = R < 6 ? R - 1 : R;
            for (int r = 0; r < h; ++r) visit(r, c);
        }
        for (int v = 0; v < 256; ++v)
            for (int k = 0; k < 4; ++k) {
                const std::uint64_t first = (v >> (7 - 2 * k)) & 1, second = (v >> (6 - 2 * k)) & 1;
                pairSpread[v] |= (second | first << 8) << (16 * k);
            }
    }
};

// The shortest segmentation for versions 27–40 without Kanji: three modes, each position's
// costs from the last, exact numeric and alphanumeric group costs, one predecessor byte per
// position. No count field overflows at this length, so runs are only counted modulo 3 and 2.
int floorSegmentation(const FloorSetup& s, std::uint8_t* predecessors) {
    constexpr int kNone = 1 << 28;
    const auto* data = bytes(s.text);
    const int n = static_cast<int>(s.text.size());
    int byteCost = 4 + 16 + 8, numericCost = kNone, alnumCost = kNone;
    int numericRun = 0, alnumRun = 0;
    if (s.classes[data[0]] == 1) numericCost = 4 + 14 + 4, numericRun = 1;
    if (s.classes[data[0]] >= 1) alnumCost = 4 + 13 + 6, alnumRun = 1;
    for (int i = 1; i < n; ++i) {
        const int cls = s.classes[data[i]];
        int best = byteCost, bestMode = 0;
        if (numericCost < best) best = numericCost, bestMode = 1;
        if (alnumCost < best) best = alnumCost, bestMode = 2;
        int nb = byteCost + 8, pb = 0;
        if (best + 28 < nb) nb = best + 28, pb = bestMode;
        int nn = kNone, pn = 0, nr = 1;
        if (cls == 1) {
            nn = numericCost + (numericRun == 0 ? 4 : 3), pn = 1, nr = numericRun + 1;
            if (best + 22 < nn) nn = best + 22, pn = bestMode, nr = 1;
            if (nr == 3) nr = 0;
        }
        int na = kNone, pa = 0, ar = 1;
        if (cls >= 1) {
            na = alnumCost + (alnumRun == 0 ? 6 : 5), pa = 2, ar = alnumRun ^ 1;
            if (best + 23 < na) na = best + 23, pa = bestMode, ar = 1;
        }
        predecessors[i] = static_cast<std::uint8_t>(pb | pn << 2 | pa << 4);
        byteCost = nb, numericCost = nn, alnumCost = na, numericRun = nr, alnumRun = ar;
    }
    return std::min(byteCost, std::min(numericCost, alnumCost));
}

// One byte segment, the terminator and the pad codewords, packed most significant bit first.
struct FloorBits {
    std::uint8_t* out;
    std::uint64_t pending = 0;
    int count = 0;
    void put(std::uint32_t value, int width) {
        pending = (pending << width) | value;
        count += width;
        if (count >= 32) {
            count -= 32;
            const std::uint32_t word =
                __builtin_bswap32(static_cast<std::uint32_t>(pending >> count));
            std::memcpy(out, &word, 4);
            out += 4;
        }
    }
};

void floorBitStream(const FloorSetup& s, std::uint8_t* stream) {
    const auto* data = bytes(s.text);
    const int n = static_cast<int>(s.text.size());
    FloorBits w{stream};
    w.put(0b0100, 4);
    w.put(static_cast<std::uint32_t>(n), 16);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        std::uint32_t word;
        std::memcpy(&word, data + i, 4);
        w.put(__builtin_bswap32(word), 32);
    }
    for (; i < n; ++i) w.put(data[i], 8);
    w.put(0, 4);
    for (int bits = 8 + 8 * n; bits < 8 * s.dataCodewords; bits += 16) w.put(0xEC11, 16);
    w.put(0, 32);
}

// Every block's parity, four blocks in step; blocks are `stride` bytes apart, a short one with a
// leading zero. parity[b * E + k] is block b's k-th parity codeword, highest degree first.
void floorReedSolomon(const FloorSetup& s, const std::uint8_t* blocks, int length,
                      std::uint8_t* parity) {
    const int e = s.ecPerBlock;
#if defined(__SSE2__)
    for (int b = 0; b < s.blocks; b += 4) {
        const int group = std::min(4, s.blocks - b);
        __m128i lo[4], hi[4];
        for (int g = 0; g < 4; ++g) lo[g] = hi[g] = _mm_setzero_si128();
        for (int i = 0; i < length; ++i)
            for (int g = 0; g < 4; ++g) {
                if (g >= group) break;
                const int t = (_mm_extract_epi16(hi[g], 7) >> 8) ^ blocks[(b + g) * length + i];
                const auto* row = reinterpret_cast<const __m128i*>(&s.products[t * 32]);
                hi[g] =
                    _mm_xor_si128(_mm_or_si128(_mm_slli_si128(hi[g], 1), _mm_srli_si128(lo[g], 15)),
                                  _mm_loadu_si128(row + 1));
                lo[g] = _mm_xor_si128(_mm_slli_si128(lo[g], 1), _mm_loadu_si128(row));
            }
        for (int g = 0; g < group; ++g) {
            alignas(16) std::uint8_t r[32];
            _mm_store_si128(reinterpret_cast<__m128i*>(r), lo[g]);
            _mm_store_si128(reinterpret_cast<__m128i*>(r + 16), hi[g]);
            for (int k = 0; k < e; ++k) parity[(b + g) * e + k] = r[31 - k];
        }
    }
#else
    for (int b = 0; b < s.blocks; ++b) {
        std::uint8_t r[32] = {};
        for (int i = 0; i < length; ++i) {
            const int t = r[31] ^ blocks[b * length + i];
            for (int j = 31; j > 0; --j) r[j] = r[j - 1] ^ s.products[t * 32 + j];
            r[0] = s.products[t * 32];
        }
        for (int k = 0; k < e; ++k) parity[b * e + k] = r[31 - k];
    }
#endif
}

// Data codewords round-robin over the blocks as the parity step holds them (each L bytes, a
// short one after a zero), short blocks having no last one; then the parity likewise.
void floorInterleave(const FloorSetup& s, const std::uint8_t* __restrict blocks,
                     const std::uint8_t* __restrict parity, std::uint8_t* __restrict codewords) {
    const int B = s.blocks, D = s.dataCodewords, E = s.ecPerBlock;
    const int L = (D + B - 1) / B, S = B - D % B;
    for (int i = 0; i < L - 1; ++i) {
        std::uint8_t* row = codewords + i * B;
        for (int b = 0; b < S; ++b) row[b] = blocks[b * L + i + 1];
        for (int b = S; b < B; ++b) row[b] = blocks[b * L + i];
    }
    for (int b = S; b < B; ++b) codewords[(L - 1) * B + (b - S)] = blocks[b * L + L - 1];
    for (int k = 0; k < E; ++k)
        for (int b = 0; b < B; ++b) codewords[D + k * B + b] = parity[b * E + k];
}

// Two cells a store along the precomputed zigzag: four stores per codeword.
void floorPlacement(const FloorSetup& s, const std::uint8_t* __restrict codewords,
                    std::uint8_t* __restrict matrix) {
    const std::uint16_t* __restrict pair = s.pairs.data();
    const std::uint64_t* __restrict spread = s.pairSpread.data();
    for (int j = 0; j < s.total; ++j, pair += 4) {
        const std::uint64_t cells = spread[codewords[j]];
        const std::uint16_t two[4] = {
            static_cast<std::uint16_t>(cells), static_cast<std::uint16_t>(cells >> 16),
            static_cast<std::uint16_t>(cells >> 32), static_cast<std::uint16_t>(cells >> 48)};
        std::memcpy(matrix + pair[0], &two[0], 2);
        std::memcpy(matrix + pair[1], &two[1], 2);
        std::memcpy(matrix + pair[2], &two[2], 2);
        std::memcpy(matrix + pair[3], &two[3], 2);
    }
}

// Mask 0, a checkerboard, on the free cells only, sixteen cells at a time.
void floorMask0(const FloorSetup& s, std::uint8_t* __restrict matrix) {
    const int h = s.h;
    for (int r = 0; r < h; ++r) {
        std::uint8_t* __restrict row = matrix + r * h;
        const std::uint8_t* __restrict free = s.freeCells.data() + r * h;
        int c = 0;
#if defined(__SSE2__)
        const __m128i pattern = r % 2 == 0 ? _mm_set1_epi16(0x0001) : _mm_set1_epi16(0x0100);
        for (; c + 16 <= h; c += 16) {
            const __m128i cells = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + c));
            const __m128i mask = _mm_loadu_si128(reinterpret_cast<const __m128i*>(free + c));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row + c),
                             _mm_xor_si128(cells, _mm_and_si128(mask, pattern)));
        }
#endif
        for (; c < h; ++c) row[c] ^= free[c] & ~(r + c) & 1;
    }
}

template <class F> double nanoseconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start)
        .count();
}

double median(std::vector<double>& samples) {
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2];
}

QRcode* libqrencode(const std::string& p, QRencodeMode mode) {
    QRinput* input = QRinput_new2(0, QR_ECLEVEL_Q);
    QRinput_append(input, mode, static_cast<int>(p.size()), bytes(p));
    QRcode* code = QRcode_encodeMask(input, 0);
    QRinput_free(input);
    return code;
}

// Each iteration times the full 40-Q encode, libqrencode on the same payload and every floor
// kernel once, interleaved, so that a busy machine slows all of them alike; the counters are
// per-kernel medians in microseconds and the ratios of the encode to the floor sum and of
// libqrencode to the encode.
void BM_Floor40Q(benchmark::State& state) {
    static const FloorSetup s;
    clsQRCode qr;
    const int n = static_cast<int>(s.text.size());
    const int L = (s.dataCodewords + s.blocks - 1) / s.blocks;
    const int S = s.blocks - s.dataCodewords % s.blocks;
    std::vector<std::uint8_t> predecessors(s.text.size());
    std::vector<std::uint8_t> stream(s.dataCodewords + 64), blockData(s.blocks * L, 0),
        parity(s.blocks * s.ecPerBlock), codewords(s.total);
    std::vector<std::uint8_t> matrix(static_cast<std::size_t>(s.h) * s.h + 8);
    constexpr int kKernels = 7;
    const char* names[kKernels] = {"segment", "bits", "rs", "interleave", "copy", "place", "mask"};
    std::vector<double> samples[kKernels + 2];
    for (auto _ : state) {
        samples[kKernels].push_back(nanoseconds([&] {
            auto symbol = qr.EncodeToMatrix(bytes(s.text), n, 0, kFloorLevel, 0);
            benchmark::DoNotOptimize(symbol);
        }));
        samples[kKernels + 1].push_back(nanoseconds([&] {
            QRcode* code = libqrencode(s.text, QR_MODE_8);
            benchmark::DoNotOptimize(code);
            QRcode_free(code);
        }));
        samples[0].push_back(nanoseconds(
            [&] { benchmark::DoNotOptimize(floorSegmentation(s, predecessors.data())); }));
        samples[1].push_back(nanoseconds([&] { floorBitStream(s, stream.data()); }));
        benchmark::DoNotOptimize(stream.data());
        // The blocks as the encoder cuts them: short ones first, each after a zero.
        for (int b = 0, next = 0; b < s.blocks; ++b) {
            const int lead = b < S ? 1 : 0;
            std::memcpy(&blockData[b * L + lead], &stream[next], L - lead);
            next += L - lead;
        }
        samples[2].push_back(
            nanoseconds([&] { floorReedSolomon(s, blockData.data(), L, parity.data()); }));
        samples[3].push_back(nanoseconds(
            [&] { floorInterleave(s, blockData.data(), parity.data(), codewords.data()); }));
        samples[4].push_back(nanoseconds(
            [&] { std::memcpy(matrix.data(), s.functionImage.data(), s.functionImage.size()); }));
        samples[5].push_back(
            nanoseconds([&] { floorPlacement(s, codewords.data(), matrix.data()); }));
        samples[6].push_back(nanoseconds([&] { floorMask0(s, matrix.data()); }));
        benchmark::DoNotOptimize(matrix.data());
        benchmark::ClobberMemory();
    }
    double floorSum = 0;
    for (int k = 0; k < kKernels; ++k) {
        const double us = median(samples[k]) / 1000;
        state.counters[names[k]] = us;
        floorSum += us;
    }
    const double encode = median(samples[kKernels]) / 1000;
    const double peer = median(samples[kKernels + 1]) / 1000;
    state.counters["encode"] = encode;
    state.counters["floor"] = floorSum;
    state.counters["encode/floor"] = encode / floorSum;
    state.counters["qrencode"] = peer;
    state.counters["qrencode/encode"] = peer / encode;
    state.SetLabel("us, medians");
}

// 1000 digits against libqrencode, interleaved in one run.
void BM_Digits1000VsLibqrencode(benchmark::State& state) {
    const std::string p = payload(3);
    clsQRCode qr;
    std::vector<double> ours, peer;
    for (auto _ : state) {
        ours.push_back(nanoseconds([&] {
            auto symbol = qr.EncodeToMatrix(bytes(p), static_cast<int>(p.size()), 0, 3, 0);
            benchmark::DoNotOptimize(symbol);
        }));
        peer.push_back(nanoseconds([&] {
            QRcode* code = libqrencode(p, QR_MODE_NUM);
            benchmark::DoNotOptimize(code);
            QRcode_free(code);
        }));
    }
    const double encode = median(ours) / 1000, other = median(peer) / 1000;
    state.counters["encode"] = encode;
    state.counters["qrencode"] = other;
    state.counters["qrencode/encode"] = other / encode;
    state.SetLabel("us, medians");
}

BENCHMARK(BM_Floor40Q)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Digits1000VsLibqrencode)->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_EncodeToMatrix)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeToPicture)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Libqrencode)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
