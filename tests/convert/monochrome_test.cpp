#include "convert/conversion.h"

#include <algorithm>
#include <random>

#include <gtest/gtest.h>

#include "pixel_picture.h"

namespace pixmora::convert {
namespace {

using test::fromPicture;
using test::grey;
using test::Legend;
using test::Picture;
using test::toPicture;

const Legend kInk{{'#', model::kOpaqueBlack}, {'.', model::kTransparent}};

std::vector<std::string> monochrome(const Picture& in, MonochromeMethod method)
{
    return toPicture(convertToMonochrome(in.pixels, in.width, in.height, method), in.width, kInk);
}

// A uniform opaque field of the given darkness (255 - L).
Picture field(std::int64_t w, std::int64_t h, int darkness)
{
    return {Pixels(static_cast<std::size_t>(w * h), grey(255 - darkness)), w, h};
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
              (std::vector<std::string>{"#.#..", "#.#.."}));
}

class EveryMonochromeMethod : public ::testing::TestWithParam<MonochromeMethod> {};

// For otsuThreshold this is line art: darkness only 0 and 255.
TEST_P(EveryMonochromeMethod, BlackIsInkWhiteAndTransparentAreNot)
{
    const Legend in{{'K', grey(0)}, {'W', grey(255)}, {' ', model::kTransparent}};
    const Picture picture = fromPicture({"KW K", "WKKW", "KKWW"}, in);
    EXPECT_EQ(monochrome(picture, GetParam()),
              (std::vector<std::string>{"#..#", ".##.", "##.."}));
}

TEST_P(EveryMonochromeMethod, OutputIsOnlyInkOrTransparent)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    const std::int64_t w = 13;
    const std::int64_t h = 11;
    Pixels pixels;
    for (std::int64_t i = 0; i < w * h; ++i) {
        const auto a = static_cast<std::uint8_t>(byte(random) < 40 ? 0 : byte(random) | 1);
        pixels.push_back(a == 0 ? model::kTransparent
                                : RGBAColor{static_cast<std::uint8_t>(byte(random)),
                                            static_cast<std::uint8_t>(byte(random)),
                                            static_cast<std::uint8_t>(byte(random)), a});
    }
    const Pixels out = convertToMonochrome(pixels, w, h, GetParam());
    ASSERT_EQ(out.size(), pixels.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        EXPECT_TRUE(out[i] == model::kOpaqueBlack || out[i] == model::kTransparent) << i;
        if (pixels[i].a == 0) {
            EXPECT_EQ(out[i], model::kTransparent) << i;
        }
    }
}

TEST_P(EveryMonochromeMethod, ZeroPixelsAndAMismatchedSizeAreSafe)
{
    EXPECT_TRUE(convertToMonochrome({}, 0, 0, GetParam()).empty());
    EXPECT_TRUE(convertToMonochrome({}, 5, 0, GetParam()).empty());
    // Fewer pixels than width * height are walked as one row, never read past.
    const Pixels pixels{grey(155), grey(155), grey(155)};
    const Pixels out = convertToMonochrome(pixels, 2, 2, GetParam());
    EXPECT_EQ(out, convertToMonochrome(pixels, 3, 1, GetParam()));
}

INSTANTIATE_TEST_SUITE_P(AllMethods, EveryMonochromeMethod,
                         ::testing::ValuesIn(allMonochromeMethods),
                         [](const auto& info) { return std::string(rawValue(info.param)); });

TEST(OtsuThreshold, UniformFieldsAndTransparentPixelsLeftOut)
{
    // Counting the transparent pixels (as darkness 255) would move the split to 40.
    const Legend in{{'d', grey(215)}, {'w', grey(255)}, {' ', model::kTransparent}};
    EXPECT_EQ(monochrome(fromPicture({"d d", " dd"}, in), MonochromeMethod::otsuThreshold),
              (std::vector<std::string>{"#.#", ".##"}));
    EXPECT_EQ(monochrome(fromPicture({"w w", " ww"}, in), MonochromeMethod::otsuThreshold),
              (std::vector<std::string>{"...", "..."}));
    EXPECT_EQ(monochrome(fromPicture({"   "}, in), MonochromeMethod::otsuThreshold),
              (std::vector<std::string>{"..."}));
}

TEST(OtsuThreshold, InkAboveTheComputedSplit)
{
    // Darkness 10, 100, 10, 200 splits at 10: the mid grey is ink here but not under the
    // fixed threshold.
    const Legend in{{'l', grey(245)}, {'d', grey(55)}, {'m', grey(155)}};
    EXPECT_EQ(monochrome(fromPicture({"lmld"}, in), MonochromeMethod::otsuThreshold),
              (std::vector<std::string>{".#.#"}));
    EXPECT_EQ(monochrome(fromPicture({"lmld"}, in), MonochromeMethod::fixedThreshold),
              (std::vector<std::string>{"...#"}));
}

TEST(BayerMonochrome, CoverageOfUniformFields)
{
    const auto inkCount = [](int darkness) {
        const Picture in = field(16, 16, darkness);
        const Pixels out = convertToMonochrome(in.pixels, in.width, in.height,
                                               MonochromeMethod::bayer);
        return std::count(out.begin(), out.end(), model::kOpaqueBlack);
    };
    // Four 8 x 8 blocks each.
    EXPECT_EQ(inkCount(128), 4 * 32);
    EXPECT_EQ(inkCount(127), 4 * 31);
    EXPECT_EQ(inkCount(0), 0);
    EXPECT_EQ(inkCount(255), 4 * 64);
}

TEST(BayerMonochrome, RowIsYAndColumnIsXAndBothWrap)
{
    // Darkness 120: ink where the matrix entry is 40 or more; column 8 and row 8 repeat 0.
    EXPECT_EQ(monochrome(field(9, 9, 120), MonochromeMethod::bayer),
              (std::vector<std::string>{
                  "...#...#.",
                  "#.#.#.#.#",
                  ".#...#...",
                  "#.#.#.#.#",
                  "...#...#.",
                  "#.#.#.#.#",
                  ".#...#...",
                  "#.#.#.#.#",
                  "...#...#.",
              }));
}

TEST(ErrorDiffusionMonochrome, UniformFieldsWorkedByHand)
{
    using Rows = std::vector<std::string>;
    struct Case {
        MonochromeMethod method;
        std::int64_t w, h;
        int darkness;
        Rows expected;
    };
    constexpr auto fs = MonochromeMethod::floydSteinberg;
    constexpr auto atkinson = MonochromeMethod::atkinson;
    const Case cases[] = {
        // (1,0) reaches 143.75 and (1,1) 129.40.
        {fs, 3, 2, 100, {".#.", ".#."}},
        // Shares e / 8: (3,0) reaches 129.88 and (1,1) 158.20; (2,0) 126.56 stays.
        {atkinson, 4, 2, 100, {"...#", ".#.."}},
        // Atkinson's share two rows down brings (0,2) to 139.22.
        {atkinson, 1, 3, 110, {".", ".", "#"}},
        {fs, 1, 3, 110, {".", "#", "."}},
        // Walking row 1 from the right would ink (0,1).
        {fs, 2, 2, 100, {".#", ".."}},
        // A single pixel is only quantised.
        {fs, 1, 1, 128, {"#"}},
        {fs, 1, 1, 127, {"."}},
        {atkinson, 1, 1, 128, {"#"}},
        {atkinson, 1, 1, 127, {"."}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(monochrome(field(c.w, c.h, c.darkness), c.method), c.expected)
            << rawValue(c.method) << " " << c.w << " x " << c.h << " darkness " << c.darkness;
    }
}

TEST(ErrorDiffusionMonochrome, WorkingValueIsRoundedBeforeTheThreshold)
{
    // 7/16 of the first pixel's error 8 brings the second to 127.5 -> 128 -> ink.
    const Legend in{{'a', grey(247)}, {'b', grey(131)}};
    EXPECT_EQ(monochrome(fromPicture({"ab"}, in), MonochromeMethod::floydSteinberg),
              (std::vector<std::string>{".#"}));
}

TEST(ErrorDiffusionMonochrome, TransparentPixelsGiveNoError)
{
    // Visited, the transparent pixel would pass on an error of 127.
    const Legend in{{'h', grey(128, 0)}, {'m', grey(155)}};
    for (MonochromeMethod method : {MonochromeMethod::floydSteinberg, MonochromeMethod::atkinson}) {
        EXPECT_EQ(monochrome(fromPicture({"hm", "mh"}, in), method),
                  (std::vector<std::string>{"..", ".."}));
    }
}

TEST(ErrorDiffusionMonochrome, SharesOntoTransparentPixelsAreDropped)
{
    // Darkness 100; the 43.75 meant for the transparent (1,0) is lost, not passed on.
    const Legend in{{'m', grey(155)}, {' ', model::kTransparent}};
    EXPECT_EQ(monochrome(fromPicture({"m ", "mm"}, in), MonochromeMethod::floydSteinberg),
              (std::vector<std::string>{"..", "#."}));
}

}  // namespace
}  // namespace pixmora::convert
