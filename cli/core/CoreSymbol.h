#pragma once

#include "cli/core/CommandLine.h"
#include "cli/core/SymbolRun.h"
#include "raster/plain/FileFormats.h"

// One symbol made and written by the core (text art, --info, --matrix, or a file in a format
// the core writes); returns the exit status.
int RunCoreSymbol(const CliOptions& options);

// The formats the core writes (PNG, SVG, EPS; PNG for any other), drawn once: the same bytes the
// full program writes for a symbol without a logo.
SymbolRun::FileBytes CoreFileBytes(const QRSymbol& symbol, const RenderOptions& render,
                                   FileFormats::Format format);
