// Arbitrary files through the picture reader, as pictures to scan (fuzz_pictures: every format,
// SVG and gzip-compressed SVG included) or as logos (fuzz_logo). It may refuse them, never
// crash, overflow or hang, and what it hands on stays within the pixel budget.
#include "reading/PictureReader.h"

#include <QGuiApplication>

#include <sanitizer/common_interface_defs.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The JPEG, GIF and TIFF readers are plugins, found through an application object.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    // The reader points standard error at /dev/null while it decodes; reports of a fault found
    // then must still be seen.
    __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<std::intptr_t>(::dup(2))));
    return 0;
}

namespace {

void ReadAs(const QByteArray& bytes, PictureReader::Kind kind) {
    int frames = 0;
    const PictureReader::Outcome outcome =
        PictureReader::Decode(bytes, kind, [&](const QImage& frame) {
            ++frames;
            if (frame.isNull() || qint64{frame.width()} * frame.height() > PictureReader::MaxPixels)
                std::abort();
            if (kind == PictureReader::Kind::Logo && (frame.width() > PictureReader::LogoSide ||
                                                      frame.height() > PictureReader::LogoSide))
                std::abort();
        });
    // A refusal always says why; a success handed on at least one frame.
    if (outcome.ok() && frames == 0) std::abort();
    if (!outcome.ok() && outcome.message.isEmpty()) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    ReadAs(bytes, PictureReader::Kind::QUORLIK_FUZZ_KIND);
    return 0;
}
