// The one format table and the colour pairs every format accepts.
#include "raster/plain/ColourContrast.h"
#include "raster/plain/FileFormats.h"

#include <gtest/gtest.h>

TEST(ExportFormats, NamesAndExtensionsFromTheOneTable) {
    using FileFormats::Format;
    EXPECT_EQ(FileFormats::OfFileName("a/b.PNG"), Format::Png);
    EXPECT_EQ(FileFormats::OfFileName("x.jpeg"), Format::Jpeg);
    EXPECT_EQ(FileFormats::OfFileName("x.tiff"), Format::Tiff);
    EXPECT_EQ(FileFormats::OfFileName("x.eps"), Format::Eps);
    EXPECT_FALSE(FileFormats::OfFileName("x.webp"));
    EXPECT_FALSE(FileFormats::OfFileName("dir.png/x"));
    EXPECT_FALSE(FileFormats::OfFileName(".png"));
    EXPECT_EQ(FileFormats::RowOf(Format::Jpeg).name, "jpg");
    EXPECT_EQ(FileFormats::NameList(), "png, jpg, gif, tif, bmp, svg, eps or pdf");
}

TEST(ColourContrast, PairsReadersCannotResolveAreRefusedAndInversionIsTold) {
    const struct {
        const char *dark, *light;
        bool readable, inverted;
    } pairs[] = {{"000000", "ffffff", true, false},   {"ffffff", "000000", true, true},
                 {"1a237e", "ffffff00", true, false}, {"000000", "00000000", true, false},
                 {"777777", "888888", false, false},  {"c0c0c0", "ffffff", false, false},
                 {"767676", "ffffff", true, false},   {"777777", "ffffff", false, false},
                 {"ff0000", "ffffff", false, false}}; // 4.54, 4.48 and 4.0 against 4.5
    for (const auto& pair : pairs) {
        SCOPED_TRACE(std::string(pair.dark) + " on " + pair.light);
        const Colour dark = *Colour::Parse(pair.dark), light = *Colour::Parse(pair.light);
        EXPECT_EQ(!ContrastProblem(dark, light).has_value(), pair.readable);
        EXPECT_EQ(Inverted(dark, light), pair.inverted);
    }
    EXPECT_EQ(ContrastProblem(*Colour::Parse("777777"), *Colour::Parse("888888")),
              "the colours 777777 and 888888 have a contrast ratio of 1.2, below the 4.5 that "
              "readers need");
}
