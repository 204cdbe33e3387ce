#pragma once

#include "composition/SymbolComposition.h"
#include "encoder/clsQRCode.h"
#include "raster/plain/RenderOptions.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>

// One symbol from its payload bytes to the symbol and its pictures. The window, the
// single-symbol command and every batch row make their symbols here, each encoded once, and
// here alone a logo raises the version.
namespace SymbolJob {

// The logo hides a sixteenth of the picture. Below version 3 that spans more codewords than
// level Q can repair, so a symbol that carries a logo is made at least version 3.
constexpr int MinimumLogoVersion = 3;

struct Request {
    std::span<const std::uint8_t> payload;
    EncodeOptions options;
    bool withLogo = false;
};

std::span<const std::uint8_t> BytesOf(const QByteArray& bytes);

// The window's symbol for UTF-8 bytes: automatic version, level Q, mask pattern 0, Kanji off
// (it would turn Chinese byte pairs into Shift JIS characters), no ECI.
Request WindowRequest(const QByteArray& utf8, bool withLogo);

// The symbol; with a logo and an automatic version, the smallest version from
// MinimumLogoVersion up that fits. Nothing when nothing fits.
std::optional<QRSymbol> Encode(clsQRCode& encoder, const Request& request);

// The colours of the modules; the logo is painted as it is. The window's are black on white.
struct Colours {
    Colour dark = Colour::Black();
    Colour light = Colour::White();
};

// The symbol as the encoder's picture (one pixel a module, 4-module margin); null for none.
QImage SymbolPicture(const std::optional<QRSymbol>& symbol, const Colours& colours = {});

// The side × side picture of the symbol, with the logo when withLogo and the logo is not null;
// the too-long notice when there is no symbol. A transparent colour stays transparent in the
// palette picture; the 32-bit one is opaque.
QImage
Composed(const std::optional<QRSymbol>& symbol, const QImage& logo, bool withLogo,
         int side = SymbolComposition::PictureSide,
         SymbolComposition::ComposedFormat format = SymbolComposition::ComposedFormat::Palette,
         const Colours& colours = {});

struct Made {
    std::optional<QRSymbol> symbol;
    QImage symbolPicture; // null when nothing fits
    QImage composed;      // the too-long notice when nothing fits
};

// Encode, then both pictures. The logo counts only when request.withLogo and it is not null.
Made Make(clsQRCode& encoder, Request request, const QImage& logo,
          int side = SymbolComposition::PictureSide,
          SymbolComposition::ComposedFormat format = SymbolComposition::ComposedFormat::Palette,
          const Colours& colours = {});

struct Generated {
    QImage picture;
    bool madeSymbol = false;
};

// The window's composed picture of a text: its UTF-8 bytes through WindowRequest, with the logo
// when paintLogo and the logo is not null.
Generated Generate(clsQRCode& encoder, const QString& payload, const QImage& logo, bool paintLogo);

} // namespace SymbolJob
