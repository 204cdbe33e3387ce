#include "SymbolComposition.h"

#include "clsQRCode.h"

#include <QColor>
#include <QFont>
#include <QPainter>

#include <cstdint>

namespace SymbolComposition {
namespace {

constexpr char32_t ReplacementCharacter = 0xFFFD;

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Reads one code point starting at index i and advances i past it.
char32_t nextCodePoint(const QString& text, qsizetype& i) {
    const char16_t unit = text.at(i).unicode();
    ++i;
    if (isHighSurrogate(unit) && i < text.size() && isLowSurrogate(text.at(i).unicode())) {
        const char16_t low = text.at(i).unicode();
        ++i;
        return 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
    }
    if (isHighSurrogate(unit) || isLowSurrogate(unit)) return ReplacementCharacter;
    return unit;
}

// Writes the code point at out and returns how many bytes it took (1 to 4).
int writeUtf8(char32_t cp, char* out) {
    if (cp < 0x80) {
        out[0] = char(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = char(0xC0 | (cp >> 6));
        out[1] = char(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = char(0xE0 | (cp >> 12));
        out[1] = char(0x80 | ((cp >> 6) & 0x3F));
        out[2] = char(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (cp >> 18));
    out[1] = char(0x80 | ((cp >> 12) & 0x3F));
    out[2] = char(0x80 | ((cp >> 6) & 0x3F));
    out[3] = char(0x80 | (cp & 0x3F));
    return 4;
}

QRect logoRectangle(int side) {
    return QRect(3 * side / 8, 3 * side / 8, side / 4, side / 4);
}

void paintLogoOpaque(QPainter& painter, const QImage& logo, const QRect& target) {
    const QImage scaled =
        logo.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // A light backing keeps a translucent logo from letting the modules through.
    painter.fillRect(target, Qt::white);
    painter.drawImage(target.topLeft(), scaled);
}

} // namespace

QByteArray ToUtf8(const QString& text) {
    // Every UTF-16 code unit needs at most 3 bytes (a pair of units needs 4), so 3n + 65 bytes
    // always hold the result; one allocation, one pass.
    const qsizetype n = text.size();
    QByteArray buffer(3 * n + 65, Qt::Uninitialized);
    char* out = buffer.data();
    qsizetype count = 0;
    for (qsizetype i = 0; i < n;) count += writeUtf8(nextCodePoint(text, i), out + count);
    buffer.truncate(count);
    return buffer;
}

QImage TooLongNotice(int side) {
    QImage notice(side, side, QImage::Format_RGB32);
    notice.fill(QColor(0xF4, 0xF4, 0xF4));
    QPainter painter(&notice);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(qMax(8, side * 17 / 240));
    painter.setFont(font);
    painter.setPen(QColor(0x20, 0x20, 0x20));
    const int margin = side / 20;
    painter.drawText(notice.rect().adjusted(margin, margin, -margin, -margin),
                     Qt::AlignCenter | Qt::TextWordWrap,
                     QStringLiteral("内容过长，无法生成二维码"));
    return notice;
}

QImage Compose(const QImage& symbolPicture, const QImage& logo, bool paintLogo, int side) {
    if (symbolPicture.isNull()) return TooLongNotice(side);
    // Nearest-neighbour keeps every module a sharp-edged block, which readers prefer.
    QImage composed = symbolPicture.convertToFormat(QImage::Format_RGB32)
                          .scaled(side, side, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (paintLogo && !logo.isNull()) {
        QPainter painter(&composed);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        paintLogoOpaque(painter, logo, logoRectangle(side));
    }
    return composed;
}

QImage EncodeSymbol(clsQRCode& encoder, const std::uint8_t* data, int count, int version,
                    int ecLevel, int maskPattern, bool withLogo) {
    const bool automatic = version == 0 || version > 40;
    if (withLogo && automatic) {
        // Forcing the version fails when the payload needs a larger one; then choose freely.
        QImage symbol =
            encoder.EncodeToPicture(data, count, MinimumLogoVersion, ecLevel, maskPattern);
        if (!symbol.isNull()) return symbol;
    }
    return encoder.EncodeToPicture(data, count, version, ecLevel, maskPattern);
}

QImage EncodeSymbol(clsQRCode& encoder, const QByteArray& utf8, bool withLogo) {
    // The payload is UTF-8: Kanji mode would turn Chinese byte pairs into Shift JIS characters.
    encoder.AllowKanji = false;
    return EncodeSymbol(encoder, reinterpret_cast<const std::uint8_t*>(utf8.constData()),
                        int(utf8.size()), 0, 3, -1, withLogo);
}

Generated Generate(clsQRCode& encoder, const QString& payload, const QImage& logo, bool paintLogo) {
    const bool withLogo = paintLogo && !logo.isNull();
    const QImage symbol = EncodeSymbol(encoder, ToUtf8(payload), withLogo);
    return Generated{Compose(symbol, logo, withLogo, PictureSide), !symbol.isNull()};
}

} // namespace SymbolComposition
