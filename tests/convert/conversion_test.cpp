#include "convert/conversion.h"

#include <algorithm>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "../model/pixel_picture.h"
#include "convert/nearest_color_finder.h"
#include "model/color_mode.h"

namespace pixmora::convert {
namespace {

using model::ColorMode;
using model::PixelImage;
using test::Legend;
using test::Rows;
using Names = std::vector<std::pair<std::string_view, std::string_view>>;

const Legend kInk{{'#', model::kOpaqueBlack}, {'.', model::kTransparent}};

RGBAColor grey(int v, int a = 255)
{
    const auto c = static_cast<std::uint8_t>(v);
    return {c, c, c, static_cast<std::uint8_t>(a)};
}

// A short result is padded with transparent pixels, so it fails as a picture.
Rows asRows(const PixelImage& in, Pixels out, const Legend& legend)
{
    EXPECT_EQ(out.size(), in.pixels.size());
    out.resize(in.pixels.size());
    return test::toRows(PixelImage(in.width, in.height, std::move(out)), legend);
}

Rows monochrome(const PixelImage& in, MonochromeMethod method)
{
    return asRows(in, convertToMonochrome(in.pixels, in.width, in.height, method), kInk);
}

Rows converted(PaletteDitherMethod method, const PixelImage& in, const Pixels& palette,
               const Legend& legend)
{
    return asRows(in, convertToPalette(method, in.pixels, in.width, in.height, palette), legend);
}

template <typename Method, std::size_t N>
void expectNames(const std::array<Method, N>& all,
                 std::optional<Method> (*fromRaw)(std::string_view), const Names& expected)
{
    ASSERT_EQ(all.size(), expected.size());
    for (std::size_t i = 0; i < N; ++i) {
        EXPECT_EQ(rawValue(all[i]), expected[i].first);
        EXPECT_EQ(title(all[i]), expected[i].second);
        EXPECT_EQ(fromRaw(expected[i].first), all[i]);
    }
    EXPECT_EQ(fromRaw(std::string(expected[0].first) + " "), std::nullopt);
}

TEST(MethodNames, RawValuesAndTitles)
{
    expectNames(allMonochromeMethods, monochromeMethodFromRaw,
                {{"fixedThreshold", "固定しきい値"},
                 {"otsuThreshold", "自動しきい値（大津の二値化）"},
                 {"floydSteinberg", "Floyd-Steinberg（誤差拡散）"},
                 {"atkinson", "Atkinson（誤差拡散、レトロMac風）"},
                 {"bayer", "Bayer（順序ディザ、網目模様）"}});
    expectNames(allPaletteDitherMethods, paletteDitherMethodFromRaw,
                {{"none", "しない"},
                 {"floydSteinberg", "Floyd-Steinberg（誤差拡散）"},
                 {"atkinson", "Atkinson（誤差拡散、レトロMac風）"},
                 {"bayer", "Bayer（順序ディザ、網目模様）"}});
}

TEST(InitialImportSize, FitsAndRoundsToEights)
{
    using Size = std::pair<std::int64_t, std::int64_t>;
    const std::pair<Size, Size> table[] = {
        {{1000, 500}, {128, 64}}, {{100, 60}, {104, 64}},  // 12.5 -> 13 and 7.5 -> 8: halves up
        {{std::int64_t{1} << 40, 3}, {128, 8}},
        {{50, 0}, {128, 128}}, {{-8, -8}, {128, 128}},  // nothing to fit
    };
    for (const auto& [in, out] : table) {
        EXPECT_EQ(initialImportSize(in.first, in.second), out) << in.first << " x " << in.second;
    }
}

TEST(FixedThreshold, InkExactlyWhenLuminanceIsAtMost127)
{
    const Legend in{
        {'a', grey(127)},           // L 127, D 128: ink
        {'b', grey(128)},           // L 128, D 127
        {'k', {0, 204, 68, 255}},   // 127.49999999999999 -> 127: ink
        {'m', {1, 173, 225, 255}},  // exactly 127.5 -> 128
        {'n', {49, 167, 130, 255}},  // 127.5 only in the stated order of additions
        {'x', {0, 0, 0, 1}},        // any alpha but 0 is opaque
        {'t', model::kTransparent},
    };
    EXPECT_EQ(monochrome(test::picture({"abnt", "kmxt"}, in), MonochromeMethod::fixedThreshold),
              (Rows{"#...", "#.#."}));
}

// For otsuThreshold the picture is line art: darkness only 0 and 255.
TEST(EveryMonochromeMethod, BlackIsInkWhiteIsNotAndMismatchedSizesAreSafe)
{
    const Legend in{{'K', grey(0)}, {'W', grey(255)}, {' ', model::kTransparent}};
    const PixelImage picture = test::picture({"KW K", "WKKW"}, in);
    const Pixels pixels{grey(155), grey(155), grey(155)};
    for (const MonochromeMethod method : allMonochromeMethods) {
        SCOPED_TRACE(rawValue(method));
        EXPECT_EQ(monochrome(picture, method), (Rows{"#..#", ".##."}));
        EXPECT_TRUE(convertToMonochrome({}, 5, 0, method).empty());
        EXPECT_EQ(convertToMonochrome(pixels, 2, 2, method),
                  convertToMonochrome(pixels, 3, 1, method));
    }
}

// Counting the transparent pixels (as darkness 255) would move the split to 40; an empty
// histogram gives 128, and ties go to the lowest level.
TEST(OtsuThreshold, TransparentPixelsLeftOutAndTiesGoToTheLowestLevel)
{
    const Legend in{{'d', grey(215)}, {' ', model::kTransparent}};
    EXPECT_EQ(monochrome(test::picture({"d d", " dd"}, in), MonochromeMethod::otsuThreshold),
              (Rows{"#.#", ".##"}));
    EXPECT_EQ(computeOtsuThreshold({}), 128);
    // 45000 for every t in 0..199; only a strict comparison keeps 0.
    EXPECT_EQ(computeOtsuThreshold({0, 100, 200}), 0);
}

TEST(DitheredMonochrome, CasesWorkedByHand)
{
    // Darkness: m 100, n 110, g 120; h is transparent but not zeroed.
    const Legend in{{'m', grey(155)}, {'n', grey(145)}, {'g', grey(135)}, {'h', grey(128, 0)},
                    {' ', model::kTransparent}};
    using enum MonochromeMethod;
    const std::tuple<MonochromeMethod, Rows, Rows> cases[] = {
        // Ink where the matrix entry (row y, column x) is 40 or more; column and row 8 wrap to 0.
        {bayer, Rows(9, "ggggggggg"),
         {"...#...#.", "#.#.#.#.#", ".#...#...", "#.#.#.#.#", "...#...#.", "#.#.#.#.#",
          ".#...#...", "#.#.#.#.#", "...#...#."}},
        // Shares e / 8: (3,0) reaches 129.88 and (1,1) 158.20; (2,0) 126.56 stays.
        {atkinson, {"mmmm", "mmmm"}, {"...#", ".#.."}},
        // Atkinson's share two rows down brings (0,2) to 139.22.
        {atkinson, {"n", "n", "n"}, {".", ".", "#"}},
        // Walking row 1 from the right would ink (0,1).
        {floydSteinberg, {"mm", "mm"}, {".#", ".."}},
        // Visited, the transparent pixel would pass on an error of 127.
        {floydSteinberg, {"hm", "mh"}, {"..", ".."}},
        // The 43.75 meant for the transparent (1,0) is lost, not passed on.
        {floydSteinberg, {"m ", "mm"}, {"..", "#."}},
    };
    for (const auto& [method, rows, expected] : cases) {
        EXPECT_EQ(monochrome(test::picture(rows, in), method), expected)
            << rawValue(method) << " " << ::testing::PrintToString(rows);
    }
}

// Visited by error diffusion, (60,60,60,0) would pass 26.25 on, turning 40 into 808080.
TEST(EveryPaletteMethod, TransparentPixelsKeptWithoutErrorAndBadInputIsSafe)
{
    const auto& sixteen = model::palette(ColorMode::sixteenColor);
    const PixelImage picture = test::picture({"hd"}, {{'h', grey(60, 0)}, {'d', grey(40)}});
    const Legend out{{'h', grey(60, 0)}, {'.', grey(0)}, {'G', grey(128)}};
    const Pixels five(5, grey(40));
    const Pixels pixels{grey(40), {1, 2, 3, 0}};
    for (const PaletteDitherMethod method : allPaletteDitherMethods) {
        SCOPED_TRACE(rawValue(method));
        EXPECT_EQ(converted(method, picture, sixteen, out), (Rows{"h."}));
        EXPECT_EQ(convertToPalette(method, {{100, 100, 100, 200}}, 1, 1, sixteen),
                  (Pixels{grey(128, 200)}));
        EXPECT_EQ(convertToPalette(method, five, 2, 2, sixteen),
                  convertToPalette(method, five, 5, 1, sixteen));
        EXPECT_EQ(convertToPalette(method, pixels, 2, 1, {}), pixels) << "empty palette";
    }
}

TEST(PaletteDithering, ChannelsCarryTheirOwnErrorsAndBayerClampsEachChannel)
{
    // (100, 30, 200): (1,0) carries (88, 43, 232) -> 0000FF, (1,1) (117, 66, 237) -> 808080.
    const Legend sixteen{{'p', {128, 0, 128, 255}}, {'b', {0, 0, 255, 255}}, {'g', grey(128)}};
    EXPECT_EQ(converted(PaletteDitherMethod::floydSteinberg,
                        PixelImage(2, 2, Pixels(4, {100, 30, 200, 255})),
                        model::palette(ColorMode::sixteenColor), sixteen),
              (Rows{"pb", "pg"}));
    // Row 7's offset 31: clamped, (255, 31, 31) is nearer B; unclamped (286, 31, 31) nearer A.
    const Pixels palette{{255, 80, 80, 255}, {204, 31, 31, 255}};
    const Legend two{{'A', palette[0]}, {'B', palette[1]}};
    EXPECT_EQ(converted(PaletteDitherMethod::bayer, PixelImage(1, 8, Pixels(8, {255, 0, 0, 255})),
                        palette, two),
              Rows(8, "B"));
}

// The finder behind undithered palette conversion, against the model's linear scan: every
// entry's levels, ties on midpoints, cell borders on multiples of 16, values outside 0..255.
TEST(NearestColorFinder, ColoursNearLevelsMidpointsAndOutsideMatchTheLinearScan)
{
    std::vector<int> values{25, 26, 64, 76, 77, 96, 127, 178, 229, 230, -32, -1, 256, 286, 1000,
                            15, 31, 47, 63, 79, 95, 111, 143, 159, 175, 191, 207, 223, 239};
    for (int level : {0, 51, 102, 128, 153, 160, 164, 192, 202, 204, 220, 240, 251, 255}) {
        for (int d = -2; d <= 2; ++d) {
            values.push_back(std::clamp(level + d, 0, 255));
        }
    }
    for (const ColorMode mode : model::allColorModes) {
        const auto& palette = model::palette(mode);
        NearestColorFinder finder(palette);
        for (int r : values) {
            for (int g : values) {
                for (int b : values) {
                    ASSERT_EQ(finder.index(r, g, b), model::nearestPaletteIndex(r, g, b, palette))
                        << model::rawValue(mode) << " " << r << ", " << g << ", " << b;
                }
            }
        }
    }
}

}  // namespace
}  // namespace pixmora::convert
