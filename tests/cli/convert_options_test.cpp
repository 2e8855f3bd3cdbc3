#include "cli/convert_options.h"

#include <gtest/gtest.h>

#include "cli/batch_converter.h"

namespace pixmora::cli {
namespace {

using Action = CommandLine::Action;

CommandLine parse(const QString& line)
{
    return parseCommandLine(line.split(QLatin1Char(' '), Qt::SkipEmptyParts));
}

TEST(CommandLineParsing, EveryOptionInBothFormsDoubleDashEndingOptionsAndHelpAnywhere)
{
    for (const QString& text :
         {QString("--size 64x48 --mode twoColor --method atkinson --dither bayer -j 3 -d out a b"),
          QString("a --size=64x48 --mode=twoColor b --method=atkinson --dither=bayer -j3 -dout")}) {
        const CommandLine line = parse(text);
        ASSERT_EQ(line.action, Action::convert) << line.error.toStdString();
        EXPECT_EQ(line.options.inputs, (QStringList{"a", "b"}));
        EXPECT_EQ(line.options.outputDir, "out");
        EXPECT_EQ(line.options.size, QSize(64, 48));
        EXPECT_EQ(line.options.mode, model::ColorMode::twoColor);
        EXPECT_EQ(line.options.method, convert::MonochromeMethod::atkinson);
        EXPECT_EQ(line.options.dither, convert::PaletteDitherMethod::bayer);
        EXPECT_EQ(line.options.jobs, 3);
    }
    EXPECT_EQ(parse("-d out -- -odd.png --mode").options.inputs,
              (QStringList{"-odd.png", "--mode"}));
    EXPECT_EQ(parse("a.png --help").action, Action::showHelp);
    EXPECT_EQ(parse("--version").action, Action::showVersion);
    EXPECT_TRUE(usageText().contains("--dither none|floydSteinberg|atkinson|bayer"));
}

TEST(CommandLineParsing, UsageErrorsAreRejectedWithAMessageCanvasSidesAre1To128)
{
    for (const char* text :
         {"", "-d out", "--bogus -d out a", "--size 0x5 -d out a", "--size 129x1 -d out a",
          "--size 8x8x -d out a", "--size=-8x8 -d out a", "-d out a -o", "--mode TwoColor -d out a",
          "--dither fixedThreshold -d out a", "-j 0 -d out a", "-o x.png a b", "-o x.png -d out a",
          "a b"}) {
        const CommandLine line = parse(text);
        EXPECT_EQ(line.action, Action::usageError) << text;
        EXPECT_FALSE(line.error.isEmpty()) << text;
    }
    EXPECT_EQ(parseCanvasSize("1x1"), QSize(1, 1));
    EXPECT_EQ(parseCanvasSize("128X7"), QSize(128, 7));
    EXPECT_FALSE(parseCanvasSize("x8"));
    EXPECT_FALSE(parseCanvasSize(" 8x8"));
}

TEST(OutputPaths, FolderGetsTheInputsBaseNameAsPng)
{
    ConvertOptions options;
    options.outputDir = "out";
    EXPECT_EQ(outputPathFor("pictures/photo.jpeg", options), "out/photo.png");
    EXPECT_EQ(outputPathFor("art.v2.gif", options), "out/art.v2.png");
    EXPECT_EQ(outputPathFor("/tmp/.hidden", options), "out/.hidden.png");
    options = {};
    options.outputFile = "exact/name.bin";
    EXPECT_EQ(outputPathFor("photo.jpeg", options), "exact/name.bin");
}

}  // namespace
}  // namespace pixmora::cli
