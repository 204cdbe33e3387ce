// The geometry and block structure of the 40 versions, built once when an encoder is created.
#include "encoder/clsQRCode.h"

namespace {

// Error-correction characteristics of ISO/IEC 18004 (Table 9), four levels L, M, Q, H side by
// side per version: total number of blocks, and error-correction codewords per block.
constexpr std::uint8_t kBlockCounts[160] = {
    1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  2,  2,  1,  2,  2,  4,  1,  2,  4,  4,  2,  4,  4,
    4,  2,  4,  6,  5,  2,  4,  6,  6,  2,  5,  8,  8,  4,  5,  8,  8,  4,  5,  8,  11, 4,  8,
    10, 11, 4,  9,  12, 16, 4,  9,  16, 16, 6,  10, 12, 18, 6,  10, 17, 16, 6,  11, 16, 19, 6,
    13, 18, 21, 7,  14, 21, 25, 8,  16, 20, 25, 8,  17, 23, 25, 9,  17, 23, 34, 9,  18, 25, 30,
    10, 20, 27, 32, 12, 21, 29, 35, 12, 23, 34, 37, 12, 25, 34, 40, 13, 26, 35, 42, 14, 28, 38,
    45, 15, 29, 40, 48, 16, 31, 43, 51, 17, 33, 45, 54, 18, 35, 48, 57, 19, 37, 51, 60, 19, 38,
    53, 63, 20, 40, 56, 66, 21, 43, 59, 70, 22, 45, 62, 74, 24, 47, 65, 77, 25, 49, 68, 81,
};
constexpr std::uint8_t kEcCodewords[160] = {
    7,  10, 13, 17, 10, 16, 22, 28, 15, 26, 18, 22, 20, 18, 26, 16, 26, 24, 18, 22, 18, 16, 24,
    28, 20, 18, 18, 26, 24, 22, 22, 26, 30, 22, 20, 24, 18, 26, 24, 28, 20, 30, 28, 24, 24, 22,
    26, 28, 26, 22, 24, 22, 30, 24, 20, 24, 22, 24, 30, 24, 24, 28, 24, 30, 28, 28, 28, 28, 30,
    26, 28, 28, 28, 26, 26, 26, 28, 26, 30, 28, 28, 26, 28, 30, 28, 28, 30, 24, 30, 28, 30, 30,
    30, 28, 30, 30, 26, 28, 30, 30, 28, 28, 28, 30, 30, 28, 30, 30, 30, 28, 30, 30, 30, 28, 30,
    30, 30, 28, 30, 30, 30, 28, 30, 30, 30, 28, 30, 30, 30, 28, 30, 30, 30, 28, 30, 30, 30, 28,
    30, 30, 30, 28, 30, 30, 30, 28, 30, 30, 30, 28, 30, 30, 30, 28, 30, 30, 30, 28, 30, 30,
};

// Distance between neighbouring alignment centres, counted from the one nearest the
// bottom-right corner; 255 for versions 1–6, where only that one exists.
int alignmentSpacingFor(int v) {
    if (v <= 6) return 255;
    if (v <= 13) return 2 * v + 2;
    if (v <= 20) return 2 * ((2 * v + 4) / 3);
    if (v <= 27) return (v + 2) & ~1;
    if (v <= 34) return 2 * (v / 3) + 6;
    return 2 * (v / 3) + 2;
}

} // namespace

clsQRCode::clsQRCode() : field_(std::make_shared<clsFiniteField>()) {
    field_->Init(256, 285, 2);
    for (int v = 1; v <= 40; ++v)
        AlignmentSpacing[v] = static_cast<std::uint8_t>(alignmentSpacingFor(v));
    for (int i = 0; i < 160; ++i) {
        BlockCountTable[i] = kBlockCounts[i];
        EcCodewordsTable[i] = kEcCodewords[i];
    }
    for (int i = 0; i < 18; ++i) BitWeights[i] = 1 << i;
}

int clsQRCode::RawDataModules(int version) {
    const int h = SymbolSize(version);
    if (version == 1) return h * (h - 2) - 191;
    const int n = AlignmentCountPerSide(version);
    int modules = h * (h - 2) - 136 - (25 * n - 10) * n;
    if (n > 2) modules -= 36;
    return modules;
}
