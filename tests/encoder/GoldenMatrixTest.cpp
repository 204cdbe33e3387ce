// The matrices of a fixed set of payloads are pinned: symbols made with the default options
// (no ECI header), so a change to any of them shows here.
#include "encoder/clsQRCode.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct MatrixCase {
    std::string payload;
    int version;
    int level;
    int mask;
    bool allowKanji;
};

std::string repeat(const std::string& unit, std::size_t size) {
    std::string s;
    while (s.size() < size) s += unit;
    s.resize(size);
    return s;
}

// Bytes of every value and mode-switching runs; raw rng() so the sequence is the same with
// every standard library.
std::string seededPayload(unsigned seed, int size) {
    std::mt19937 rng(seed);
    static const std::string alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:abcxyz";
    std::string p;
    while (static_cast<int>(p.size()) < size) {
        const int run = 1 + static_cast<int>(rng() % 30);
        const bool anyByte = rng() % 4 == 0;
        for (int i = 0; i < run; ++i)
            p += anyByte ? static_cast<char>(rng() & 0xFF) : alphabet[rng() % alphabet.size()];
    }
    p.resize(size);
    return p;
}

std::vector<MatrixCase> cases() {
    const std::string chinese = "二维码生成器：文字、网址和名片";
    std::vector<MatrixCase> all = {
        {"", 0, 3, 0, false},
        {"0", 0, 1, 0, false},
        {"01234567", 1, 2, 0, false},
        {"HTTP://EXAMPLE.COM/ABC", 0, 3, 0, false},
        {"https://www.example.com/?q=1", 0, 4, 5, false},
        {chinese, 0, 3, 0, false},
        {chinese, 0, 1, 3, true},
        {repeat(chinese, 300), 0, 3, 0, false},
        {"\x93\x5F\x96\x7B", 0, 3, 0, true},
        {repeat("0123456789", 1000), 0, 3, 0, false},
        {repeat("byte payload for the largest symbol; ", 1663), 0, 3, 0, false},
        {"forced", 10, 3, 0, false},
        {"forced", 27, 2, 7, false},
        {"MECARD:N:张三;TEL:13800000000;;", 0, 3, 0, false},
    };
    for (int mask = 0; mask < 8; ++mask)
        all.push_back({"mask " + std::to_string(mask), 2, 3, mask, false});
    for (unsigned seed = 1; seed <= 12; ++seed)
        all.push_back({seededPayload(seed, static_cast<int>(15 * seed * seed)), 0,
                       seed <= 8 ? 1 + static_cast<int>(seed % 4) : 1, 0, seed % 3 == 0});
    return all;
}

// The symbol as (h + 3) rows of (h + 3) bytes, the last three rows and columns light: the
// layout the hashes were taken of.
std::vector<std::uint8_t> ModuleMatrixOf(const QRSymbol& symbol) {
    const int h = symbol.side();
    const int stride = h + 3;
    std::vector<std::uint8_t> matrix(static_cast<std::size_t>(stride) * stride, 0);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < h; ++c) matrix[r * stride + c] = symbol.dark(r, c) ? 1 : 0;
    return matrix;
}

// Hex SHA-256 of version, mask and every module byte, first 64 bits.
std::string matrixHash(const QRSymbol& symbol) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const std::string header =
        std::to_string(symbol.version()) + "/" + std::to_string(symbol.maskPattern()) + "/";
    hash.addData(QByteArrayView(header.data(), static_cast<qsizetype>(header.size())));
    const std::vector<std::uint8_t> matrix = ModuleMatrixOf(symbol);
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(matrix.data()),
                                static_cast<qsizetype>(matrix.size())));
    return hash.result().toHex().left(16).toStdString();
}

// The first 64 bits of each hash, in the order of cases().
const char* const kGoldenHashes[] = {
    "f8d94e77b7a0f8d9", "af32e915d9168627", "bbf2589a2968c991", "e733c3bc271f8c26",
    "327cd3469016e9aa", "34754fd8d909d1dc", "f607963aaf8e28fa", "bcb56f250bcd3468",
    "97ec3c4168ccbf7a", "1aa86558ec89a6dd", "4470ce8da9268458", "2dc4c695c92d5611",
    "d4d439a0a1f5ac57", "0731871868a9d0c7", "f67acafbca4da950", "1ba3e127a193fd3e",
    "e45b72b58f71b194", "2be15632d34f954d", "ab882a36e8f702db", "ddb639977b25370c",
    "9d3dffa8c4b9ab71", "60b0e017411babac", "66331905c84e4879", "f58956a85f036a25",
    "ac7a244e6221d6fc", "d87d396a7ceadb88", "3a15c436a98f6220", "0533e3992619e2ad",
    "017cfdaa3013ec31", "7fa7d1ad1eda1b40", "2faf4f3d9f7ff237", "6cb0e03615841552",
    "24e3af27825db9aa", "a005ddd1aaa7dd21",
};

TEST(GoldenMatrix, DefaultSymbolsAreUnchanged) {
    const std::vector<MatrixCase> all = cases();
    ASSERT_EQ(std::size(kGoldenHashes), all.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        const MatrixCase& c = all[i];
        clsQRCode qr;
        EncodeOptions options = clsQRCode::OptionsOf(c.version, c.level, c.mask);
        options.allowKanji = c.allowKanji;
        const auto symbol =
            qr.EncodeToMatrix(reinterpret_cast<const std::uint8_t*>(c.payload.data()),
                              static_cast<int>(c.payload.size()), options);
        ASSERT_TRUE(symbol) << "case " << i;
        EXPECT_EQ(matrixHash(*symbol), kGoldenHashes[i]) << "case " << i;
    }
}

} // namespace
