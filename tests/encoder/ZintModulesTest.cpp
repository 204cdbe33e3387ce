// Symbols module for module against zint 2.11 (zint-tools), an independent encoder: rMQR at
// every version and both levels, with the fullest numeric payload (no pad codewords) and a
// short one (all padding), then the other modes and the version chosen by area; and the parts
// of structured-append sequences, header included.
#include "encoder/clsQRCode.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

bool zintPresent() {
    return std::system("zint --version >/dev/null 2>&1") == 0;
}

// zint's --dump of `arguments` (payload last, as bytes) as '0'/'1' rows padded to a multiple of
// four modules; empty when zint refuses.
std::string ZintDump(const std::string& arguments, const std::string& payload) {
    const std::string command =
        "zint " + arguments + " --binary -d '" + payload + "' --dump 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string modules;
    std::array<char, 512> line;
    while (pipe && std::fgets(line.data(), line.size(), pipe.get())) {
        for (const char* p = line.data(); *p != '\0' && *p != '\n'; ++p) {
            if (*p == ' ') continue;
            const int nibble = std::stoi(std::string(1, *p), nullptr, 16);
            for (int b = 3; b >= 0; --b) modules += (nibble >> b) & 1 ? '1' : '0';
        }
        modules += "\n";
    }
    return modules;
}

// zint's --dump as '0'/'1' rows, each padded with light modules to a multiple of four; empty
// when zint refuses the payload.
std::string zintModules(const std::string& payload, int version, EcLevel level) {
    return ZintDump("-b RMQR --vers=" + std::to_string(version) +
                        " --secure=" + (level == EcLevel::H ? "4" : "2"),
                    payload);
}

// A symbol in the same form.
std::string Rows(const std::optional<QRSymbol>& symbol) {
    if (!symbol) return "";
    std::string modules;
    for (int r = 0; r < symbol->height(); ++r) {
        for (int c = 0; c < (symbol->width() + 3) / 4 * 4; ++c)
            modules += c < symbol->width() && symbol->dark(r, c) ? '1' : '0';
        modules += "\n";
    }
    return modules;
}

std::string ourModules(clsQRCode& qr, const std::string& payload, int version, EcLevel level) {
    return Rows(qr.EncodeRmqr(reinterpret_cast<const std::uint8_t*>(payload.data()),
                              int(payload.size()), RmqrOptions{version, level, false}));
}

// The most digits (version, level) holds by our encoder; zint must agree on the symbol and
// refuse one digit more.
int mostDigits(clsQRCode& qr, int version, EcLevel level) {
    int most = 0;
    for (std::string digits = "1"; ourModules(qr, digits, version, level) != ""; digits += '1')
        most = int(digits.size());
    return most;
}

TEST(Rmqr, EveryVersionAndLevelEqualsZintAtItsCapacityAndWithPadding) {
    if (!zintPresent()) GTEST_SKIP() << "zint-tools is not installed";
    clsQRCode qr;
    for (int version = 1; version <= clsQRCode::RmqrVersions; ++version)
        for (const EcLevel level : {EcLevel::M, EcLevel::H}) {
            const std::string name = "R" + std::to_string(clsQRCode::RmqrHeight(version)) + "x" +
                                     std::to_string(clsQRCode::RmqrWidth(version)) + "-" +
                                     LevelLetter(level);
            const std::string full(std::size_t(mostDigits(qr, version, level)), '7');
            ASSERT_FALSE(full.empty()) << name;
            EXPECT_EQ(ourModules(qr, full, version, level), zintModules(full, version, level))
                << name << " " << full.size() << " digits";
            EXPECT_EQ(zintModules(full + "7", version, level), "") << name << " holds one more";
            EXPECT_EQ(ourModules(qr, "4", version, level), zintModules("4", version, level))
                << name;
        }
}

TEST(Rmqr, OtherModesAndTheVersionChosenByAreaEqualZint) {
    if (!zintPresent()) GTEST_SKIP() << "zint-tools is not installed";
    struct Case {
        std::string payload;
        int version; // 0: chosen by area
        EcLevel level;
    };
    const std::vector<Case> cases = {
        {"HELLO WORLD", 12, EcLevel::M},
        {"ABC$%*+-./:", 0, EcLevel::M},
        {"hello, world", 0, EcLevel::M},
        {"https://example.com/a?b=c", 0, EcLevel::H},
        {"\xe4\xbd\xa0\xe5\xa5\xbd", 0, EcLevel::M},
        {std::string(150, '9'), 0, EcLevel::M},
        {std::string(40, 'x'), 0, EcLevel::H},
    };
    clsQRCode qr;
    for (const Case& c : cases) {
        const std::string ours = ourModules(qr, c.payload, c.version, c.level);
        ASSERT_FALSE(ours.empty()) << c.payload;
        EXPECT_EQ(ours, zintModules(c.payload, c.version, c.level)) << c.payload;
    }
}

// Each part of a sequence with its 20-bit header (position, count, parity of the whole payload):
// bytes in version 1-L, digits in version 2-M, mask 0 as ours are. Our pad bits follow the
// terminator directly, so the parts compared either fill their symbol or end their stream on a
// codeword boundary, where every encoder pads alike.
TEST(StructuredAppend, PartsEqualZintsWithTheSameHeader) {
    if (!zintPresent()) GTEST_SKIP() << "zint-tools is not installed";
    struct Sequence {
        std::vector<std::string> parts;
        int version;
        EcLevel level;
    };
    const std::vector<Sequence> sequences = {
        {{"abcdefghijklmno", "pqrstuvwxyzabcd", "efghijklmnopqrs"}, 1, EcLevel::L},
        {{std::string(57, '6'), "987"}, 2, EcLevel::M},
    };
    clsQRCode qr;
    for (const Sequence& sequence : sequences) {
        int parity = 0;
        for (const std::string& part : sequence.parts)
            for (const unsigned char byte : part) parity ^= byte;
        const int total = int(sequence.parts.size());
        for (int position = 0; position < total; ++position) {
            const std::string& part = sequence.parts[std::size_t(position)];
            EncodeOptions options =
                clsQRCode::OptionsOf(sequence.version, LevelNumber(sequence.level), 0);
            options.sequence = EncodeOptions::StructuredAppend{position, total, parity};
            const std::string ours = Rows(qr.EncodeToMatrix(
                reinterpret_cast<const std::uint8_t*>(part.data()), int(part.size()), options));
            ASSERT_FALSE(ours.empty()) << part;
            EXPECT_EQ(ours,
                      ZintDump("-b QRCODE --vers=" + std::to_string(sequence.version) +
                                   " --secure=" + std::to_string(LevelNumber(sequence.level)) +
                                   " --mask=0 --structapp=" + std::to_string(position + 1) + "," +
                                   std::to_string(total) + "," + std::to_string(parity),
                               part))
                << part;
        }
    }
}

} // namespace
