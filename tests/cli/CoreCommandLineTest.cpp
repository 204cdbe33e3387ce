// Which command lines the core answers itself: exactly those the full program would accept for
// one symbol to text art, --info, --matrix, PNG or SVG. Everything else is handed over.
#include "cli/core/CoreCommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using CoreCommandLine::Action;
using CoreCommandLine::FileFormat;

std::optional<CoreCommandLine::Request> Parse(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "quorlik-qr");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    return CoreCommandLine::Parse(static_cast<int>(arguments.size()), argv.data());
}

TEST(CoreCommandLine, ReadsTheSymbolOptionsAsTheFullProgramDoes) {
    const auto request = Parse({"-lh", "--symversion=12", "-m", "5", "--info", "--", "-x"});
    ASSERT_TRUE(request);
    EXPECT_EQ(request->ecLevel, 4);
    EXPECT_EQ(request->version, 12);
    EXPECT_EQ(request->maskPattern, 5);
    EXPECT_TRUE(request->printInfo);
    EXPECT_EQ(request->text, "-x");
    const auto last = Parse({"-l", "L", "hello", "-l", "Q"}); // options after TEXT, last wins
    ASSERT_TRUE(last);
    EXPECT_EQ(last->ecLevel, 3);
    EXPECT_EQ(last->text, "hello");
}

TEST(CoreCommandLine, TakesTheFormatFromTheExtensionOrFromTypeForStandardOutput) {
    EXPECT_EQ(Parse({"-o", "a.b/x.SVG", "t"})->outputFormat, FileFormat::Svg);
    EXPECT_EQ(Parse({"-o", "x.png", "-s", "3", "--margin", "0", "t"})->outputFormat,
              FileFormat::Png);
    EXPECT_EQ(Parse({"-o", "-", "-t", "svg", "t"})->outputFormat, FileFormat::Svg);
    EXPECT_EQ(Parse({"-o", "-", "t"})->outputFormat, FileFormat::Png);
    EXPECT_EQ(Parse({"-t", "Ascii", "t"})->terminalStyle, SymbolOutput::TerminalStyle::Ascii);
}

TEST(CoreCommandLine, HandsOverOtherFormatsCommandsAndEveryUsageError) {
    const std::vector<std::vector<std::string>> handedOver = {
        {"-o", "x.jpg", "t"},
        {"-o", "x", "t"},
        {"-o", "dir.png/x", "t"},
        {"-o", ".png", "t"},
        {"-o", "-", "-t", "gif"},
        {"--compose", "-o", "x.png"},
        {"--logo", "l.png"},
        {"--kind", "sms"},
        {"--batch", "x.csv"},
        {"--decode", "x.png"},
        {"--lev", "H", "t"},
        {"-o=x.png", "t"},
        {"-l", "X", "t"},
        {"-v", "41", "t"},
        {"-m", "8", "t"},
        {"-s", "0", "-o", "x.png", "t"},
        {"--margin", "101", "t"},
        {"a", "b"},
        {"-t", "ascii", "--info", "t"},
        {"-t", "png", "t"},
        {"-o", "x.png", "-t", "png", "t"},
        {"--eci", "--kanji", "t"},
        {"-r", "f", "t"},
        {"-s", "2", "t"},
        {"--margin", "1", "--matrix", "t"},
        {"-o", "-", "--info", "t"},
        {"-o", "", "t"},
        {"--info="},
        {"-o"},
        {"--help", "-l", "X"},
        {"--help", "a", "b"},
        {"--version", "--batch", "x.csv"},
    };
    for (const std::vector<std::string>& arguments : handedOver) {
        std::string shown;
        for (const std::string& argument : arguments) shown += argument + ' ';
        EXPECT_FALSE(Parse(arguments)) << shown;
    }
}

TEST(CoreCommandLine, AnswersHelpBeforeVersionWhateverTheOrder) {
    EXPECT_EQ(Parse({"-V", "-h"})->action, Action::Help);
    EXPECT_EQ(Parse({"--help", "--version"})->action, Action::Help);
    EXPECT_EQ(Parse({"-V"})->action, Action::Version);
    // The full program skips its combination checks for --help and --version.
    EXPECT_EQ(Parse({"--version", "-s", "3"})->action, Action::Version);
}

} // namespace
