#pragma once

#include <QImage>

#include <optional>
#include <string>

// A logo named on the command line (--logo), read by its name's bytes and decoded by the
// window's loader, so that the window and the command line accept the same files.
struct LogoFile {
    std::optional<QImage> picture;
    std::string problem; // why there is no picture: "cannot read the logo "x": ..."
};

LogoFile LoadLogoFile(const std::string& path);
