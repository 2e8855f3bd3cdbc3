#include "convert/conversion.h"

#include <random>

#include <gtest/gtest.h>

#include "model/color_mode.h"
#include "pixel_picture.h"

namespace pixmora::convert {
namespace {

using model::ColorMode;
using test::fromPicture;
using test::grey;
using test::hex;
using test::Legend;
using test::Picture;
using test::toPicture;

const std::vector<RGBAColor>& sixteen()
{
    return model::palette(ColorMode::sixteenColor);
}

std::vector<std::string> converted(PaletteDitherMethod method, const Picture& in,
                                   const std::vector<RGBAColor>& palette, const Legend& legend)
{
    return toPicture(convertToPalette(method, in.pixels, in.width, in.height, palette), in.width,
                     legend);
}

Picture field(std::int64_t w, std::int64_t h, RGBAColor c)
{
    return {Pixels(static_cast<std::size_t>(w * h), c), w, h};
}

// Output legend for the sixteen-colour palette's greys.
const Legend kGreys{{'.', hex(0x000000)}, {'G', hex(0x808080)}, {'S', hex(0xC0C0C0)},
                    {'W', hex(0xFFFFFF)}};

TEST(PaletteNone, NearestColourWithTheInputAlpha)
{
    const Pixels in{{10, 20, 30, 255}, {10, 20, 30, 0}, {200, 200, 200, 77}, {100, 100, 100, 255}};
    const Pixels expected{hex(0x000000), {10, 20, 30, 0}, hex(0xC0C0C0, 77), hex(0x808080)};
    EXPECT_EQ(convertToPalette(PaletteDitherMethod::none, in, 2, 2, sixteen()), expected);
}

TEST(PaletteNone, EqualsTheModelRuleOnRandomPixels)
{
    std::mt19937 random(3);
    std::uniform_int_distribution<int> byte(0, 255);
    Pixels in;
    for (int i = 0; i < 64 * 64; ++i) {
        in.push_back({static_cast<std::uint8_t>(byte(random)),
                      static_cast<std::uint8_t>(byte(random)),
                      static_cast<std::uint8_t>(byte(random)), 255});
    }
    for (ColorMode mode : model::allColorModes) {
        const auto& palette = model::palette(mode);
        const Pixels out = convertToPalette(PaletteDitherMethod::none, in, 64, 64, palette);
        ASSERT_EQ(out.size(), in.size());
        for (std::size_t i = 0; i < in.size(); ++i) {
            ASSERT_EQ(out[i], model::nearestPaletteColor(in[i].r, in[i].g, in[i].b, palette))
                << model::rawValue(mode) << " pixel " << i;
        }
    }
}

class EveryPaletteMethod : public ::testing::TestWithParam<PaletteDitherMethod> {};

TEST_P(EveryPaletteMethod, TransparentPixelsKeepAllFourChannels)
{
    const Legend in{{'t', {10, 20, 30, 0}}, {'u', {250, 1, 99, 0}}, {'m', grey(90)}};
    const Picture picture = fromPicture({"mtm", "umt", "mmm"}, in);
    const Pixels out = convertToPalette(GetParam(), picture.pixels, 3, 3,
                                        model::palette(ColorMode::webSafe256));
    ASSERT_EQ(out.size(), picture.pixels.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (picture.pixels[i].a == 0) {
            EXPECT_EQ(out[i], picture.pixels[i]) << i;
        } else {
            EXPECT_EQ(out[i].a, 255) << i;
        }
    }
}

TEST_P(EveryPaletteMethod, OutputHoldsOnlyPaletteColoursWithInputAlpha)
{
    std::mt19937 random(11);
    std::uniform_int_distribution<int> byte(0, 255);
    Pixels in;
    for (int i = 0; i < 19 * 17; ++i) {
        const auto a = static_cast<std::uint8_t>(byte(random) < 50 ? 0 : byte(random) | 1);
        in.push_back({static_cast<std::uint8_t>(byte(random)),
                      static_cast<std::uint8_t>(byte(random)),
                      static_cast<std::uint8_t>(byte(random)), a});
    }
    for (ColorMode mode : model::allColorModes) {
        const auto& palette = model::palette(mode);
        const Pixels out = convertToPalette(GetParam(), in, 19, 17, palette);
        ASSERT_EQ(out.size(), in.size());
        for (std::size_t i = 0; i < in.size(); ++i) {
            if (in[i].a == 0) {
                EXPECT_EQ(out[i], in[i]);
                continue;
            }
            EXPECT_EQ(out[i].a, in[i].a);
            const RGBAColor opaque{out[i].r, out[i].g, out[i].b, 255};
            EXPECT_NE(std::find(palette.begin(), palette.end(), opaque), palette.end())
                << model::rawValue(mode) << " pixel " << i;
        }
    }
}

TEST_P(EveryPaletteMethod, ZeroPixelsInZeroOut)
{
    EXPECT_TRUE(convertToPalette(GetParam(), {}, 0, 0, sixteen()).empty());
    EXPECT_TRUE(convertToPalette(GetParam(), {}, 0, 4, sixteen()).empty());
}

TEST_P(EveryPaletteMethod, MismatchedSizeIsWalkedAsOneRow)
{
    const Pixels pixels{grey(40), grey(40), grey(40), grey(40), grey(40)};
    EXPECT_EQ(convertToPalette(GetParam(), pixels, 2, 2, sixteen()),
              convertToPalette(GetParam(), pixels, 5, 1, sixteen()));
}

TEST_P(EveryPaletteMethod, EmptyPaletteLeavesPixelsAlone)
{
    // No palette has no entries, but a caller's mistake must not crash the import.
    const Pixels pixels{grey(40), {1, 2, 3, 0}};
    EXPECT_EQ(convertToPalette(GetParam(), pixels, 2, 1, {}), pixels);
}

INSTANTIATE_TEST_SUITE_P(AllMethods, EveryPaletteMethod,
                         ::testing::ValuesIn(allPaletteDitherMethods),
                         [](const auto& info) { return std::string(rawValue(info.param)); });

TEST(PaletteErrorDiffusion, FloydSteinbergGreyByHand)
{
    // Grey 40 in a 4 x 1 row, sixteen colours.
    // (0) 40 -> 000000, +17.5;  (1) 57.5 -> 58 -> 000000, +25.15625;
    // (2) 65.15625 -> 65 -> 808080 (3*63^2 < 3*65^2), e -62.84375, +-27.494140625;
    // (3) 12.505859375 -> 000000.
    EXPECT_EQ(converted(PaletteDitherMethod::floydSteinberg, field(4, 1, grey(40)), sixteen(),
                        kGreys),
              (std::vector<std::string>{"..G."}));
    EXPECT_EQ(converted(PaletteDitherMethod::none, field(4, 1, grey(40)), sixteen(), kGreys),
              (std::vector<std::string>{"...."}));
}

TEST(PaletteErrorDiffusion, AtkinsonGreyByHand)
{
    // Grey 56 in a 4 x 1 row; shares are e / 8.
    // (0) 56 -> 000000, +7 to (1) and (2);  (1) 63 -> 000000, +7.875 to (2) and (3);
    // (2) 70.875 -> 71 -> 808080, e -57.125, -7.140625 to (3);  (3) 56.734375 -> 000000.
    EXPECT_EQ(converted(PaletteDitherMethod::atkinson, field(4, 1, grey(56)), sixteen(), kGreys),
              (std::vector<std::string>{"..G."}));
}

TEST(PaletteErrorDiffusion, ChannelsCarryTheirOwnErrors)
{
    // (100, 30, 200) in a 2 x 2 field, sixteen colours, Floyd-Steinberg.
    // (0,0) -> 800080, e (-28, 30, 72)
    // (1,0) (87.75, 43.125, 231.5) -> (88, 43, 232) -> 0000FF, e (87.75, 43.125, -23.5)
    // (0,1) (107.703125, 47.4609375, 218.09375) -> 800080 (10709 against 808080's 15061)
    // (1,1) (116.79, 66.12, 236.57) -> (117, 66, 237) -> 808080 (15846 against 800080's 16358)
    const Legend out{{'p', hex(0x800080)}, {'b', hex(0x0000FF)}, {'g', hex(0x808080)}};
    EXPECT_EQ(converted(PaletteDitherMethod::floydSteinberg, field(2, 2, {100, 30, 200, 255}),
                        sixteen(), out),
              (std::vector<std::string>{"pb", "pg"}));
}

TEST(PaletteErrorDiffusion, TransparentPixelsGiveNoError)
{
    // Visited, (60,60,60,0) would map to 000000 and pass 26.25 on, turning 40 into 808080.
    const Legend in{{'h', grey(60, 0)}, {'d', grey(40)}};
    const Legend out{{'h', grey(60, 0)}, {'.', hex(0x000000)}, {'G', hex(0x808080)}};
    for (PaletteDitherMethod method :
         {PaletteDitherMethod::floydSteinberg, PaletteDitherMethod::atkinson}) {
        EXPECT_EQ(converted(method, fromPicture({"hd"}, in), sixteen(), out),
                  (std::vector<std::string>{"h."}));
    }
}

TEST(PaletteErrorDiffusion, OneByOneQuantisesOnly)
{
    for (PaletteDitherMethod method :
         {PaletteDitherMethod::floydSteinberg, PaletteDitherMethod::atkinson}) {
        EXPECT_EQ(convertToPalette(method, {{100, 100, 100, 200}}, 1, 1, sixteen()),
                  (Pixels{hex(0x808080, 200)}));
    }
}

TEST(PaletteBayer, MidGreyStaysMidGrey)
{
    // Offsets -32..31 keep every channel within 96..159, nearer 808080 than 000000 or C0C0C0.
    const Picture in = field(8, 8, grey(128));
    const Pixels out = convertToPalette(PaletteDitherMethod::bayer, in.pixels, 8, 8, sixteen());
    EXPECT_EQ(out, Pixels(64, hex(0x808080)));
}

TEST(PaletteBayer, OffsetsAreClampedToTheChannelRange)
{
    // White + offset is clamped to 255 for offsets >= 0; only entry 0 (offset -32, 223) is
    // nearer C0C0C0 (31) than FFFFFF (32). Black + offset <= 31 stays 000000.
    EXPECT_EQ(converted(PaletteDitherMethod::bayer, field(9, 2, grey(255)), sixteen(), kGreys),
              (std::vector<std::string>{"SWWWWWWWS", "WWWWWWWWW"}));
    EXPECT_EQ(converted(PaletteDitherMethod::bayer, field(9, 2, grey(0)), sixteen(), kGreys),
              (std::vector<std::string>{".........", "........."}));
}

TEST(PaletteBayer, ClampingDecidesBetweenEntries)
{
    // Red in a 1 x 8 column; row 7 has the largest offset, 31. Clamped, (255, 31, 31) is
    // 2601 from B = (204, 31, 31) and 4802 from A = (255, 80, 80); unclamped, (286, 31, 31)
    // would pick A (5763 against 6724). The other rows pick B as well.
    const std::vector<RGBAColor> palette{{255, 80, 80, 255}, {204, 31, 31, 255}};
    const Legend out{{'A', palette[0]}, {'B', palette[1]}};
    EXPECT_EQ(converted(PaletteDitherMethod::bayer, field(1, 8, {255, 0, 0, 255}), palette, out),
              (std::vector<std::string>{"B", "B", "B", "B", "B", "B", "B", "B"}));
}

TEST(PaletteBayer, RowIsYAndColumnIsX)
{
    // Grey 120 against black and white: white where 120 + entry - 32 >= 128, entry >= 40.
    const std::vector<RGBAColor> blackWhite{hex(0x000000), hex(0xFFFFFF)};
    EXPECT_EQ(converted(PaletteDitherMethod::bayer, field(9, 9, grey(120)), blackWhite, kGreys),
              (std::vector<std::string>{
                  "...W...W.",
                  "W.W.W.W.W",
                  ".W...W...",
                  "W.W.W.W.W",
                  "...W...W.",
                  "W.W.W.W.W",
                  ".W...W...",
                  "W.W.W.W.W",
                  "...W...W.",
              }));
}

}  // namespace
}  // namespace pixmora::convert
