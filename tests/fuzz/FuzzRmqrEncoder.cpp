// Arbitrary payloads, sizes and levels through the rMQR encoder. The project's reader does not
// read rMQR, so every symbol is held to what a reader relies on: its size, the finder and
// sub-finder, both format copies naming its size and level, and the size chosen being the least
// area that takes the payload (no smaller one does, and forcing the chosen one gives the same
// symbol).
#include "encoder/clsQRCode.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

bool ringDark(int r, int c, int centre, int outer) {
    const int ring = std::max(std::abs(r - centre), std::abs(c - centre));
    return ring == outer || ring <= outer - 2;
}

void checkPatterns(const QRSymbol& s) {
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 7; ++c) require(s.dark(r, c) == ringDark(r, c, 3, 3));
    const int top = s.height() - 5, left = s.width() - 5;
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c) require(s.dark(top + r, left + c) == ringDark(r, c, 2, 2));
}

// The 18 format bits by the finder (columns 8–10 down rows 1–5, then column 11) and by the
// sub-finder (the same block up and left of it, then along its top), each under its own mask.
void checkFormat(const QRSymbol& s) {
    int finderSide = 0, subFinderSide = 0;
    for (int bit = 0; bit < 18; ++bit) {
        const bool block = bit < 15;
        const int r = block ? 1 + bit % 5 : bit - 14;
        const int c = block ? 8 + bit / 5 : 11;
        finderSide |= int(s.dark(r, c)) << bit;
        const int sr = block ? s.height() - 6 + bit % 5 : s.height() - 6;
        const int sc = block ? s.width() - 8 + bit / 5 : s.width() - 20 + bit;
        subFinderSide |= int(s.dark(sr, sc)) << bit;
    }
    const int expected = clsQRCode::RmqrFormatBits(s.version(), s.level());
    require((finderSide ^ 0x1FAB2) == expected);
    require((subFinderSide ^ 0x20A7B) == expected);
}

bool sameModules(const QRSymbol& a, const QRSymbol& b) {
    return a.modules().size() == b.modules().size() &&
           std::memcmp(a.modules().data(), b.modules().data(), a.modules().size()) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static clsQRCode qr;
    if (size < 2) return 0;
    RmqrOptions options;
    options.version = data[0] % 34;                        // 33: refused
    options.level = static_cast<EcLevel>(1 + data[1] % 4); // L and Q: refused
    const std::uint8_t* payload = data + 2;
    const int count = static_cast<int>(size - 2);
    const auto symbol = qr.EncodeRmqr(payload, count, options);
    const bool refused =
        options.version > 32 || (options.level != EcLevel::M && options.level != EcLevel::H);
    if (refused) require(!symbol);
    if (!symbol) return 0;
    require(symbol->rmqr() && symbol->level() == options.level);
    require(symbol->version() >= 1 && symbol->version() <= 32);
    require(symbol->width() == clsQRCode::RmqrWidth(symbol->version()));
    require(symbol->height() == clsQRCode::RmqrHeight(symbol->version()));
    for (const std::uint8_t m : symbol->modules()) require(m <= 1);
    checkPatterns(*symbol);
    checkFormat(*symbol);
    if (options.version != 0) {
        require(symbol->version() == options.version);
        return 0;
    }
    const int area = symbol->width() * symbol->height();
    for (int v = 1; v <= 32; ++v) {
        const int other = clsQRCode::RmqrWidth(v) * clsQRCode::RmqrHeight(v);
        const auto forced = qr.EncodeRmqr(payload, count, RmqrOptions{v, options.level});
        if (v == symbol->version())
            require(forced && sameModules(*forced, *symbol));
        else if (other < area || (other == area && v < symbol->version()))
            require(!forced);
    }
    return 0;
}
