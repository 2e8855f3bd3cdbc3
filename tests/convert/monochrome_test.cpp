#include "convert/conversion.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "pixel_picture.h"

namespace pixmora::convert {
namespace {

using test::fromPicture;
using test::grey;
using test::Legend;
using test::Picture;
using test::toPicture;

using Rows = std::vector<std::string>;

const Legend kInk{{'#', model::kOpaqueBlack}, {'.', model::kTransparent}};

Rows monochrome(const Picture& in, MonochromeMethod method)
{
    return toPicture(convertToMonochrome(in.pixels, in.width, in.height, method), in.width, kInk);
}

TEST(FixedThreshold, InkExactlyWhenLuminanceIsAtMost127)
{
    const Legend in{
        {'a', grey(127)},           // L 127, D 128: ink
        {'b', grey(128)},           // L 128, D 127
        {'r', {255, 0, 0, 255}},    // L 76
        {'g', {0, 255, 0, 255}},    // L 150
        {'k', {0, 204, 68, 255}},   // 127.49999999999999 -> 127: ink
        {'m', {1, 173, 225, 255}},  // exactly 127.5 -> 128
        {'n', {49, 167, 130, 255}},  // 127.5 only in the stated order of additions
        {'x', {0, 0, 0, 1}},        // any alpha but 0 is opaque
        {'t', model::kTransparent},
    };
    EXPECT_EQ(monochrome(fromPicture({"abrgn", "kmxtt"}, in), MonochromeMethod::fixedThreshold),
              (Rows{"#.#..", "#.#.."}));
}

class EveryMonochromeMethod : public ::testing::TestWithParam<MonochromeMethod> {};

// For otsuThreshold the first picture is line art: darkness only 0 and 255.
TEST_P(EveryMonochromeMethod, BlackIsInkWhiteIsNotAndMismatchedSizesAreSafe)
{
    const Legend in{{'K', grey(0)}, {'W', grey(255)}, {' ', model::kTransparent}};
    EXPECT_EQ(monochrome(fromPicture({"KW K", "WKKW", "KKWW"}, in), GetParam()),
              (Rows{"#..#", ".##.", "##.."}));
    EXPECT_TRUE(convertToMonochrome({}, 0, 0, GetParam()).empty());
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
        return monochrome(fromPicture(rows, in), MonochromeMethod::otsuThreshold);
    };
    // Counting the transparent pixels (as darkness 255) would move the split to 40.
    EXPECT_EQ(otsu({"d d", " dd"}), (Rows{"#.#", ".##"}));
    EXPECT_EQ(otsu({"   "}), (Rows{"..."}));
    // Darkness 10, 100, 10, 200 splits at 10: the mid grey is ink, unlike under fixedThreshold.
    EXPECT_EQ(otsu({"lmlD"}), (Rows{".#.#"}));
}

TEST(BayerMonochrome, CoverageOfUniformFieldsRowIsYColumnIsXAndBothWrap)
{
    for (const auto& [darkness, ink] : {std::pair{128, 32}, {127, 31}, {0, 0}, {255, 64}}) {
        const Pixels in(64, grey(255 - darkness));
        const Pixels out = convertToMonochrome(in, 8, 8, MonochromeMethod::bayer);
        EXPECT_EQ(std::count(out.begin(), out.end(), model::kOpaqueBlack), ink) << darkness;
    }
    // Darkness 120: ink where the matrix entry is 40 or more; column 8 and row 8 repeat 0.
    const std::string a = "...#...#.";
    const std::string b = "#.#.#.#.#";
    const std::string c = ".#...#...";
    EXPECT_EQ(monochrome({Pixels(81, grey(135)), 9, 9}, MonochromeMethod::bayer),
              (Rows{a, b, c, b, a, b, c, b, a}));
}

TEST(ErrorDiffusionMonochrome, CasesWorkedByHand)
{
    struct Case {
        MonochromeMethod method;
        Rows in;
        Rows expected;
    };
    constexpr auto fs = MonochromeMethod::floydSteinberg;
    constexpr auto atkinson = MonochromeMethod::atkinson;
    // Darkness: m 100, n 110, p 128; h is transparent but not zeroed.
    const Legend in{{'m', grey(155)}, {'n', grey(145)}, {'p', grey(127)}, {'h', grey(128, 0)},
                    {' ', model::kTransparent}};
    const Case cases[] = {
        {fs, {"mmm", "mmm"}, {".#.", ".#."}},
        // Shares e / 8: (3,0) reaches 129.88 and (1,1) 158.20; (2,0) 126.56 stays.
        {atkinson, {"mmmm", "mmmm"}, {"...#", ".#.."}},
        // Atkinson's share two rows down brings (0,2) to 139.22.
        {atkinson, {"n", "n", "n"}, {".", ".", "#"}},
        // Walking row 1 from the right would ink (0,1).
        {fs, {"mm", "mm"}, {".#", ".."}},
        {fs, {"p"}, {"#"}},
        // Visited, the transparent pixel would pass on an error of 127.
        {fs, {"hm", "mh"}, {"..", ".."}},
        // The 43.75 meant for the transparent (1,0) is lost, not passed on.
        {fs, {"m ", "mm"}, {"..", "#."}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(monochrome(fromPicture(c.in, in), c.method), c.expected)
            << rawValue(c.method) << " " << ::testing::PrintToString(c.in);
    }
}

}  // namespace
}  // namespace pixmora::convert
