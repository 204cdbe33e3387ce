#include "reading/LogoPicture.h"

#include <QFile>

namespace LogoPicture {
namespace {

std::optional<QImage> PictureOf(const Loaded& loaded) {
    if (!loaded.outcome.ok()) return std::nullopt;
    return loaded.picture;
}

PictureReader::FrameSink Into(QImage& picture) {
    return [&picture](const QImage& frame) { picture = frame; };
}

} // namespace

Loaded Read(const std::string& path) {
    Loaded loaded;
    loaded.outcome = PictureReader::ReadFile(path, PictureReader::Kind::Logo, Into(loaded.picture));
    return loaded;
}

std::optional<QImage> Load(const std::string& path) {
    return PictureOf(Read(path));
}

std::optional<QImage> Load(const QString& fileName) {
    return Load(QFile::encodeName(fileName).toStdString());
}

Loaded ReadBytes(const QByteArray& bytes) {
    Loaded loaded;
    loaded.outcome = PictureReader::Decode(bytes, PictureReader::Kind::Logo, Into(loaded.picture));
    return loaded;
}

std::optional<QImage> Decode(const QByteArray& bytes) {
    return PictureOf(ReadBytes(bytes));
}

} // namespace LogoPicture
