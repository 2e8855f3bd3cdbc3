#include "convert/conversion.h"

#include <tuple>

#include <gtest/gtest.h>

#include "../model/pixel_picture.h"

namespace pixmora::convert {
namespace {

using model::PixelImage;
using test::Legend;
using test::Rows;

const Legend kInk{{'#', model::kOpaqueBlack}, {'.', model::kTransparent}};

RGBAColor grey(int v, int a = 255)
{
    const auto c = static_cast<std::uint8_t>(v);
    return {c, c, c, static_cast<std::uint8_t>(a)};
}

// A short result is padded with transparent pixels, so it fails as a picture.
Rows monochrome(const PixelImage& in, MonochromeMethod method)
{
    PixelImage out(in.width, in.height,
                   convertToMonochrome(in.pixels, in.width, in.height, method));
    EXPECT_EQ(out.pixels.size(), in.pixels.size());
    out.pixels.resize(in.pixels.size());
    return test::toRows(out, kInk);
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

// For otsuThreshold the first picture is line art: darkness only 0 and 255.
TEST_P(EveryMonochromeMethod, BlackIsInkWhiteIsNotAndMismatchedSizesAreSafe)
{
    const Legend in{{'K', grey(0)}, {'W', grey(255)}, {' ', model::kTransparent}};
    EXPECT_EQ(monochrome(test::picture({"KW K", "WKKW", "KKWW"}, in), GetParam()),
              (Rows{"#..#", ".##.", "##.."}));
    EXPECT_TRUE(convertToMonochrome({}, 5, 0, GetParam()).empty());
    // Fewer pixels than width * height are walked as one row, never read past.
    const Pixels pixels{grey(155), grey(155), grey(155)};
    EXPECT_EQ(convertToMonochrome(pixels, 2, 2, GetParam()),
              convertToMonochrome(pixels, 3, 1, GetParam()));
}

INSTANTIATE_TEST_SUITE_P(AllMethods, EveryMonochromeMethod,
                         ::testing::ValuesIn(allMonochromeMethods),
                         [](const auto& info) { return std::string(rawValue(info.param)); });

TEST(OtsuThreshold, TransparentPixelsLeftOutAndInkAboveTheComputedSplit)
{
    const auto otsu = [](const Rows& rows) {
        const Legend in{{'d', grey(215)}, {' ', model::kTransparent}, {'l', grey(245)},
                        {'D', grey(55)}, {'m', grey(155)}};
        return monochrome(test::picture(rows, in), MonochromeMethod::otsuThreshold);
    };
    // Counting the transparent pixels (as darkness 255) would move the split to 40.
    EXPECT_EQ(otsu({"d d", " dd"}), (Rows{"#.#", ".##"}));
    // Darkness 10, 100, 10, 200 splits at 10: the mid grey is ink, unlike under fixedThreshold.
    EXPECT_EQ(otsu({"lmlD"}), (Rows{".#.#"}));
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
    constexpr auto fs = MonochromeMethod::floydSteinberg;
    constexpr auto atkinson = MonochromeMethod::atkinson;
    // Darkness: m 100, n 110; h is transparent but not zeroed.
    const Legend in{{'m', grey(155)}, {'n', grey(145)}, {'h', grey(128, 0)},
                    {' ', model::kTransparent}};
    const std::tuple<MonochromeMethod, Rows, Rows> cases[] = {
        // Shares e / 8: (3,0) reaches 129.88 and (1,1) 158.20; (2,0) 126.56 stays.
        {atkinson, {"mmmm", "mmmm"}, {"...#", ".#.."}},
        // Atkinson's share two rows down brings (0,2) to 139.22.
        {atkinson, {"n", "n", "n"}, {".", ".", "#"}},
        // Walking row 1 from the right would ink (0,1).
        {fs, {"mm", "mm"}, {".#", ".."}},
        // Visited, the transparent pixel would pass on an error of 127.
        {fs, {"hm", "mh"}, {"..", ".."}},
        // The 43.75 meant for the transparent (1,0) is lost, not passed on.
        {fs, {"m ", "mm"}, {"..", "#."}},
    };
    for (const auto& [method, rows, expected] : cases) {
        EXPECT_EQ(monochrome(test::picture(rows, in), method), expected)
            << rawValue(method) << " " << ::testing::PrintToString(rows);
    }
}

}  // namespace
}  // namespace pixmora::convert
