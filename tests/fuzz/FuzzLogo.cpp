// Arbitrary files through the logo loader: it may refuse them, never crash, overflow or hang.
#include "LogoPicture.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The JPEG and GIF readers are plugins, found through an application object.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<QImage> logo = LogoPicture::Decode(bytes);
    if (logo && logo->isNull()) std::abort(); // a picture given is a real picture
    return 0;
}
