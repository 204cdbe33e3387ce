#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {

ParsedCommandLine Parse(std::vector<std::string> arguments) {
    return ParseCommandLine(arguments);
}

TEST(CommandLine, DefaultsAreTheWindowsSettings) {
    const ParsedCommandLine parsed = Parse({"hello"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.encode.ecLevel, 3);
    EXPECT_EQ(parsed.options.encode.version, 0);
    EXPECT_EQ(parsed.options.encode.maskPattern, 0);
    EXPECT_FALSE(parsed.options.encode.allowKanji);
    EXPECT_EQ(parsed.options.text, "hello");
    EXPECT_FALSE(parsed.options.batch.has_value());
}

TEST(CommandLine, ValuesInEverySpelling) {
    for (const std::vector<std::string>& spelling :
         {std::vector<std::string>{"-l", "H", "-v", "7", "-m", "5", "-o", "x.png"},
          {"--level", "H", "--version", "7", "--mask", "5", "--output", "x.png"},
          {"--level=H", "--version=7", "--mask=5", "--output=x.png"},
          {"-lH", "-v7", "-m5", "-ox.png"}}) {
        const ParsedCommandLine parsed = Parse(spelling);
        ASSERT_EQ(parsed.error, "") << spelling[0];
        EXPECT_EQ(parsed.options.encode.ecLevel, 4);
        EXPECT_EQ(parsed.options.encode.version, 7);
        EXPECT_EQ(parsed.options.encode.maskPattern, 5);
        EXPECT_EQ(parsed.options.outputFile, "x.png");
    }
}

TEST(CommandLine, LevelsInOrder) {
    const std::string letters = "LMQH";
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Parse({"-l", std::string(1, letters[i])}).options.encode.ecLevel, i + 1);
}

TEST(CommandLine, FlagsAndTheEndOfOptions) {
    const ParsedCommandLine parsed = Parse({"--kanji", "--matrix", "--info", "--", "-5"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_TRUE(parsed.options.encode.allowKanji);
    EXPECT_TRUE(parsed.options.printMatrix);
    EXPECT_TRUE(parsed.options.printInfo);
    EXPECT_EQ(parsed.options.text, "-5");
    EXPECT_EQ(Parse({"-"}).options.text, "-");
    EXPECT_TRUE(Parse({"-h"}).options.help);
}

TEST(CommandLine, RefusesWhatItCannotMeanExactly) {
    const std::vector<std::vector<std::string>> bad = {
        {"-l", "X"},
        {"-v", "41"},
        {"-v", "-1"},
        {"-v", "3x"},
        {"-m", "8"},
        {"-m", ""},
        {"--mask"},
        {"--bogus"},
        {"one", "two"},
        {"--kanji=yes"},
        {"--logo", "a.png"},
        {"--compose", "x"},
        {"--out-dir", "d"},
        {"--batch", "a.csv"},
        {"--batch", "a.csv", "--out-dir", "d", "x"},
        {"--batch", "a.csv", "--out-dir", "d", "--format", "webp"},
        {"--batch", "a.csv", "--out-dir", "d", "--jobs", "0"},
        {"--batch", "a.csv", "--out-dir", "d", "--scale", "0"},
        {"--batch", "a.csv", "--out-dir", "d", "--compose", "--format", "svg"},
    };
    for (const std::vector<std::string>& arguments : bad)
        EXPECT_NE(Parse(arguments).error, "") << arguments[0] << " " << arguments.size();
}

TEST(CommandLine, BatchSettings) {
    const ParsedCommandLine parsed = Parse({"--batch", "rows.csv", "--out-dir", "out", "--format",
                                            "svg", "--scale", "3", "--verify", "--jobs", "2"});
    ASSERT_EQ(parsed.error, "");
    ASSERT_TRUE(parsed.options.batch.has_value());
    EXPECT_EQ(parsed.options.batch->csvFile, "rows.csv");
    EXPECT_EQ(parsed.options.batch->outDir, "out");
    EXPECT_EQ(parsed.options.batch->format, "svg");
    EXPECT_EQ(parsed.options.batch->scale, 3);
    EXPECT_TRUE(parsed.options.batch->verify);
    EXPECT_EQ(parsed.options.batch->jobs, 2);
    const ParsedCommandLine defaults = Parse({"--batch", "rows.csv", "--out-dir", "out"});
    EXPECT_EQ(defaults.options.batch->format, "png");
    EXPECT_EQ(defaults.options.batch->scale, 8);
    EXPECT_EQ(defaults.options.batch->jobs, 0);
}

} // namespace
