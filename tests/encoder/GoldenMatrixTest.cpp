// The matrices of a fixed set of payloads are pinned: these hashes were taken from the encoder
// before the ECI designator was added, so a change to any default symbol shows here.
#include "clsQRCode.h"

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

// Hex SHA-256 of version, mask and every module byte.
std::string matrixHash(const QRSymbol& symbol) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const std::string header =
        std::to_string(symbol.version) + "/" + std::to_string(symbol.maskPattern) + "/";
    hash.addData(QByteArrayView(header.data(), static_cast<qsizetype>(header.size())));
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(symbol.modules.data()),
                                static_cast<qsizetype>(symbol.modules.size())));
    return hash.result().toHex().toStdString();
}

const char* const kGoldenHashes[] = {
    "f8d94e77b7a0f8d94d755c630db4a4baa6908e01b6fe38da6fee0cb5ee606ad3",
    "af32e915d91686277fee7d5fcaec8624c0922b6b89470c5fbc89b1ad3b09a9d3",
    "bbf2589a2968c991567bdac47fcf621abf41a6b3fefb014320127104f3da1f7f",
    "e733c3bc271f8c264a6f595b232eab5e1fbee67721f1b4853c374666044fbf26",
    "327cd3469016e9aaed81f5691fe7d04945aa670507a095d1a7139f15397abdef",
    "34754fd8d909d1dc47684ec2dee6bfe4e15658051a2a1434e4f52097c7ca3ec4",
    "f607963aaf8e28fa04c625aa1c521835adad33458f21e633e739ad3f56a7a297",
    "bcb56f250bcd34689ccc2892a38f24f8a804cfc8f2b9b2e26a6e8800592e4b62",
    "97ec3c4168ccbf7ac05af7bbf6cfc0b49503f70130b2f9749ffc0d0649e856f2",
    "1aa86558ec89a6dda3a10fc47e75b629d69dea4454f7884a71d9141c528e4006",
    "4470ce8da926845806a43d70935296fbdc7aed1b2c62328d4b62c874e9d729ae",
    "2dc4c695c92d56111871d7b3e571ec916da2cf18eeb7d66cd2d2ec196312f85c",
    "d4d439a0a1f5ac57dec72c3b87772b4b02d2389e56ef481a1dedc5215445720e",
    "0731871868a9d0c772a12847d50daa1bd3a8d2b9e2c468bc2fb19988ea56756b",
    "f67acafbca4da95044a4a0afb725fc9ba557321ffcdba996781adb80d746e069",
    "1ba3e127a193fd3eda6c1ec3c87dc0c49f9657846460487134adb7b9461f287a",
    "e45b72b58f71b194f148769a65b989360833a4ce6a54ad0b3150347bed367137",
    "2be15632d34f954dee97e975f6458b8d01859b9786eaf901fed02a9b1e6be41e",
    "ab882a36e8f702dba21c018a11d1c705168438aed2672f6bbb7b28b88c32e193",
    "ddb639977b25370cf1e9ec05165b36e32cfa020ce964c254c2aa92494577ad8d",
    "9d3dffa8c4b9ab71ad030232f350e94bc823034f0b4a35c83f76159ed4b9076f",
    "60b0e017411babac4275d627b4c3aab42c7f2b96b44eb25a11ea8cbb3a4be176",
    "66331905c84e487966103409d3a46f800e213faa32ae34d1eb7c24090d0b9658",
    "f58956a85f036a25344348e2a3b4655a5c690799d7b762c46ce905e2f39f2d20",
    "ac7a244e6221d6fcd817b467d3445383fd3e7259a80ba93eceb01d3c917e0374",
    "d87d396a7ceadb88f6f49b74c51d0bb7950e620814147a642a14fc28d728cd6d",
    "3a15c436a98f6220d86232369dfb41a2dbc3c4531ead115f4a033491f1cadbbf",
    "0533e3992619e2ad38f014ac2ffcea98a400286d81345ca5248436c023f97040",
    "017cfdaa3013ec31d3bba5efccf081c7ec8d555bb26822d7752aa398054a3dde",
    "7fa7d1ad1eda1b403cdfea1a857d24af5a1e0b2209dafb38dd732fe0c8992509",
    "2faf4f3d9f7ff23799ce73a9a8ac6604ae4fd36fb179f58ead7c3f60d315cf07",
    "6cb0e03615841552c81eadb0021083582b54664f0014cd8461f0e8bd0e2f2f1b",
    "24e3af27825db9aa8a3b248e20f68f51467d90a4e2dbae6b14763561669b797c",
    "a005ddd1aaa7dd21abcf7468e30acae4ee101cc615b78bd5c691b6ae82102be0",
};

TEST(GoldenMatrix, DefaultSymbolsAreUnchanged) {
    const std::vector<MatrixCase> all = cases();
    ASSERT_EQ(std::size(kGoldenHashes), all.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        const MatrixCase& c = all[i];
        clsQRCode qr;
        qr.AllowKanji = c.allowKanji;
        const auto symbol =
            qr.EncodeToMatrix(reinterpret_cast<const std::uint8_t*>(c.payload.data()),
                              static_cast<int>(c.payload.size()), c.version, c.level, c.mask);
        ASSERT_TRUE(symbol) << "case " << i;
        EXPECT_EQ(matrixHash(*symbol), kGoldenHashes[i]) << "case " << i;
    }
}

} // namespace
