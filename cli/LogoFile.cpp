#include "cli/LogoFile.h"

#include "files/FileAccess.h"
#include "reading/LogoPicture.h"

namespace {

// No logo file is larger; a bigger one is refused before it is read.
constexpr std::size_t MaxLogoFileBytes = 32 * 1024 * 1024;

} // namespace

LogoFile LoadLogoFile(const std::string& path) {
    const std::string what = "cannot read the logo " + FileAccess::QuotedName(path) + ": ";
    FileAccess::ReadResult file = FileAccess::ReadFile(path, MaxLogoFileBytes);
    if (!file.ok()) return {std::nullopt, what + FileAccess::Reason(file.error)};
    LogoPicture::Loaded logo = LogoPicture::ReadBytes(
        QByteArray::fromRawData(file.bytes.data(), static_cast<qsizetype>(file.bytes.size())));
    if (logo.outcome.failure == PictureReader::Failure::OutOfMemory)
        return {std::nullopt, what + "not enough memory"};
    if (logo.outcome.failure == PictureReader::Failure::TooLarge)
        return {std::nullopt, what + logo.outcome.message.toStdString()};
    if (!logo.outcome.ok())
        return {std::nullopt, what + "not a complete JPEG, BMP, GIF or PNG picture"};
    return {std::move(logo.picture), {}};
}
