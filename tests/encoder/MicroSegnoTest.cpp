// Micro QR symbols module for module against segno 1.4.1 (python3-segno), an independent
// encoder: every version, level and mode, each mask forced and segno's own mask choice.
// segno zero-fills where M1 and M3 owe 0xEC/0x11 pad codewords, so their payloads here fill
// the symbol.
#include "encoder/clsQRCode.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct MicroCase {
    int version;
    EcLevel level;
    std::vector<std::string> parts; // segno gets each as a segment; Shift JIS bytes are Kanji
};

const std::vector<MicroCase>& cases() {
    static const std::vector<MicroCase> table = {
        {1, EcLevel::L, {"01234"}},
        {2, EcLevel::L, {"AC-42"}},
        {2, EcLevel::M, {"12345678"}},
        {3, EcLevel::L, {"hello!abc"}},
        {3, EcLevel::M, {"\x93\x5F\xE4\xAA\x88\x9F\x88\xA0"}},
        {4, EcLevel::L, {"123456", "ABCDEF"}},
        {4, EcLevel::M, {"\x93\x5F\xE4\xAA\x88\x9F", "0123456789"}},
        {4, EcLevel::Q, {"Micro:"}},
    };
    return table;
}

std::string hex(const std::string& bytes) {
    std::string out;
    char digits[3];
    for (unsigned char b : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", b);
        out += digits;
    }
    return out;
}

// One argument per symbol: "M3:L:2:hex,hex" ("-" for segno's own mask).
std::string argumentOf(const MicroCase& c, int mask) {
    std::string parts;
    for (const std::string& p : c.parts) parts += (parts.empty() ? "" : ",") + hex(p);
    return "M" + std::to_string(c.version) + ":" + LevelLetter(c.level) + ":" +
           (mask < 0 ? std::string("-") : std::to_string(mask)) + ":" + parts;
}

constexpr const char* kSegnoScript = R"(
import segno, sys
for a in sys.argv[1:]:
    v, e, m, parts = a.split(":")
    c = [bytes.fromhex(p).decode("shift_jis") for p in parts.split(",")]
    q = segno.make(c if len(c) > 1 else c[0], micro=True, version=v,
                   error=None if v == "M1" else e, mask=None if m == "-" else int(m),
                   boost_error=False)
    print(q.mask, "".join("".join(str(b) for b in r) for r in q.matrix))
)";

constexpr const char* kPython = "/usr/bin/python3";

bool segnoPresent() {
    const std::string command = std::string(kPython) + " -c 'import segno' 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

// segno's mask and modules ("0"/"1" row after row) for each argument, in order.
std::vector<std::string> runSegno(const std::vector<std::string>& arguments) {
    std::string command = std::string(kPython) + " -c '" + kSegnoScript + "'";
    for (const std::string& a : arguments) command += " " + a;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string output;
    std::array<char, 4096> buffer;
    while (pipe && std::fgets(buffer.data(), buffer.size(), pipe.get())) output += buffer.data();
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string ours(clsQRCode& qr, const MicroCase& c, int mask) {
    std::string payload;
    for (const std::string& p : c.parts) payload += p;
    MicroOptions options;
    options.version = c.version;
    options.level = c.level;
    options.mask = mask;
    options.allowKanji = true;
    const auto symbol = qr.EncodeMicro(reinterpret_cast<const std::uint8_t*>(payload.data()),
                                       static_cast<int>(payload.size()), options);
    if (!symbol) return "nothing";
    std::string modules;
    for (std::uint8_t m : symbol->modules()) modules += m ? '1' : '0';
    return std::to_string(symbol->maskPattern()) + " " + modules;
}

TEST(MicroQR, ModulesEqualSegnosForEveryMaskAndItsMaskChoice) {
    if (!segnoPresent()) GTEST_SKIP() << "python3-segno is not installed";
    std::vector<std::string> arguments;
    for (const MicroCase& c : cases())
        for (int mask = -1; mask <= 3; ++mask) arguments.push_back(argumentOf(c, mask));
    const std::vector<std::string> expected = runSegno(arguments);
    ASSERT_EQ(expected.size(), arguments.size()) << "segno failed";
    clsQRCode qr;
    std::size_t i = 0;
    for (const MicroCase& c : cases())
        for (int mask = -1; mask <= 3; ++mask, ++i)
            EXPECT_EQ(ours(qr, c, mask), expected[i]) << arguments[i];
}

} // namespace
