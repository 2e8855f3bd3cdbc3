#include "convert/conversion.h"

#include <random>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "../model/pixel_picture.h"
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

class EveryMonochromeMethod : public ::testing::TestWithParam<MonochromeMethod> {};

// For otsuThreshold the picture is line art: darkness only 0 and 255.
TEST_P(EveryMonochromeMethod, BlackIsInkWhiteIsNotAndMismatchedSizesAreSafe)
{
    const Legend in{{'K', grey(0)}, {'W', grey(255)}, {' ', model::kTransparent}};
    EXPECT_EQ(monochrome(test::picture({"KW K", "WKKW"}, in), GetParam()),
              (Rows{"#..#", ".##."}));
    EXPECT_TRUE(convertToMonochrome({}, 5, 0, GetParam()).empty());
    // Fewer pixels than width * height are walked as one row, never read past.
    const Pixels pixels{grey(155), grey(155), grey(155)};
    EXPECT_EQ(convertToMonochrome(pixels, 2, 2, GetParam()),
              convertToMonochrome(pixels, 3, 1, GetParam()));
}

INSTANTIATE_TEST_SUITE_P(AllMethods, EveryMonochromeMethod,
                         ::testing::ValuesIn(allMonochromeMethods),
                         [](const auto& info) { return std::string(rawValue(info.param)); });

// Counting the transparent pixels (as darkness 255) would move the split to 40; an empty
// histogram gives 128, and ties go to the lowest level.
TEST(OtsuThreshold, TransparentPixelsLeftOutAndTiesGoToTheLowestLevel)
{
    const Legend in{{'d', grey(215)}, {' ', model::kTransparent}, {'l', grey(245)},
                    {'D', grey(55)}, {'m', grey(155)}};
    const auto otsu = [&in](const Rows& rows) {
        return monochrome(test::picture(rows, in), MonochromeMethod::otsuThreshold);
    };
    EXPECT_EQ(otsu({"d d", " dd"}), (Rows{"#.#", ".##"}));
    // Darkness 10, 100, 10, 200 splits at 10: the mid grey is ink, unlike under fixedThreshold.
    EXPECT_EQ(otsu({"lmlD"}), (Rows{".#.#"}));
    EXPECT_EQ(computeOtsuThreshold({}), 128);
    // 45000 for every t in 0..199; only a strict comparison keeps 0.
    EXPECT_EQ(computeOtsuThreshold({0, 100, 200}), 0);
}

TEST(BayerMonochrome, OrderedPatternRowIsYColumnIsXAndBothWrap)
{
    // Darkness 120: ink where the matrix entry is 40 or more; column 8 and row 8 repeat 0.
    const std::string a = "...#...#.";
    const std::string b = "#.#.#.#.#";
    const std::string c = ".#...#...";
    EXPECT_EQ(monochrome(PixelImage(9, 9, Pixels(81, grey(135))), MonochromeMethod::bayer),
              (Rows{a, b, c, b, a, b, c, b, a}));
}

TEST(ErrorDiffusionMonochrome, CasesWorkedByHand)
{
    // Darkness: m 100, n 110; h is transparent but not zeroed.
    const Legend in{{'m', grey(155)}, {'n', grey(145)}, {'h', grey(128, 0)},
                    {' ', model::kTransparent}};
    using enum MonochromeMethod;
    const std::tuple<MonochromeMethod, Rows, Rows> cases[] = {
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

TEST(PaletteNone, EqualsTheModelRuleOnRandomPixels)
{
    std::mt19937 random(3);
    const auto next = [&] { return static_cast<std::uint8_t>(random() % 256); };
    Pixels in;
    for (int i = 0; i < 16 * 16; ++i) {
        in.push_back({next(), next(), next(), 255});
    }
    for (ColorMode mode : model::allColorModes) {
        const auto& palette = model::palette(mode);
        Pixels expected;
        for (const RGBAColor& p : in) {
            expected.push_back(model::nearestPaletteColor(p.r, p.g, p.b, palette));
        }
        EXPECT_EQ(convertToPalette(PaletteDitherMethod::none, in, 16, 16, palette), expected)
            << model::rawValue(mode);
    }
}

class EveryPaletteMethod : public ::testing::TestWithParam<PaletteDitherMethod> {};

// Visited by error diffusion, (60,60,60,0) would pass 26.25 on, turning 40 into 808080.
TEST_P(EveryPaletteMethod, TransparentPixelsKeptWithoutErrorAndBadInputIsSafe)
{
    const auto& sixteen = model::palette(ColorMode::sixteenColor);
    const Legend in{{'h', grey(60, 0)}, {'d', grey(40)}};
    const Legend out{{'h', grey(60, 0)}, {'.', grey(0)}, {'G', grey(128)}};
    EXPECT_EQ(converted(GetParam(), test::picture({"hd"}, in), sixteen, out), (Rows{"h."}));
    EXPECT_EQ(convertToPalette(GetParam(), {{100, 100, 100, 200}}, 1, 1, sixteen),
              (Pixels{grey(128, 200)}));
    // Fewer pixels than width * height are walked as one row, never read past.
    const Pixels five(5, grey(40));
    EXPECT_EQ(convertToPalette(GetParam(), five, 2, 2, sixteen),
              convertToPalette(GetParam(), five, 5, 1, sixteen));
    const Pixels pixels{grey(40), {1, 2, 3, 0}};
    EXPECT_EQ(convertToPalette(GetParam(), pixels, 2, 1, {}), pixels) << "empty palette";
}

INSTANTIATE_TEST_SUITE_P(AllMethods, EveryPaletteMethod,
                         ::testing::ValuesIn(allPaletteDitherMethods),
                         [](const auto& info) { return std::string(rawValue(info.param)); });

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

}  // namespace
}  // namespace pixmora::convert
