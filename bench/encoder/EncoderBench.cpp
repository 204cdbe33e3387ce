// Encoder throughput on typical payloads, against libqrencode forced to the same level and mask.
#include "encoder/clsQRCode.h"
#include "raster/EncodeToPicture.h"

#include <QImage>

#include <benchmark/benchmark.h>
#include <qrencode.h>

#include <string>

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

BENCHMARK(BM_EncodeToMatrix)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeToPicture)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Libqrencode)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
