#pragma once

#include <optional>
#include <string>
#include <vector>

// How the symbol is encoded; the defaults are the window's (automatic version, Q, mask 0,
// no Kanji mode because payloads are UTF-8).
struct EncodeSettings {
    int ecLevel = 3;
    int version = 0;
    int maskPattern = 0;
    bool allowKanji = false;
};

struct BatchSettings {
    std::string csvFile;
    std::string outDir;
    std::string format = "png";
    int scale = 8;
    bool verify = false;
    int jobs = 0; // 0: one per core
    std::string encoding = "UTF-8";
};

struct CliOptions {
    EncodeSettings encode;
    bool help = false;
    bool printMatrix = false;
    bool printInfo = false;
    std::optional<std::string> outputFile;
    std::optional<std::string> text; // absent or "-": read standard input
    bool compose = false;
    std::optional<std::string> logoFile;
    std::optional<BatchSettings> batch;
};

struct ParsedCommandLine {
    CliOptions options;
    std::string error; // empty when the command line is usable
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);
std::string UsageText();
