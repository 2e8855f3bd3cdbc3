#include "convert/conversion.h"

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

// Output legend: ink and transparent are the only colours a monochrome result may hold.
const Legend kInk{{'#', model::kOpaqueBlack}, {'.', model::kTransparent}};

std::vector<std::string> monochrome(const Picture& in, MonochromeMethod method)
{
    return toPicture(convertToMonochrome(in.pixels, in.width, in.height, method), in.width, kInk);
}

// A uniform opaque field whose darkness 255 - L is `darkness` (greys have L equal to the level).
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

TEST_P(EveryMonochromeMethod, ZeroPixelsInZeroOut)
{
    EXPECT_TRUE(convertToMonochrome({}, 0, 0, GetParam()).empty());
    EXPECT_TRUE(convertToMonochrome({}, 5, 0, GetParam()).empty());
}

TEST_P(EveryMonochromeMethod, MismatchedSizeIsWalkedAsOneRow)
{
    // Callers promise width * height pixels; a broken promise must not read past the array.
    const Pixels pixels{grey(155), grey(155), grey(155)};
    const Pixels out = convertToMonochrome(pixels, 2, 2, GetParam());
    EXPECT_EQ(out, convertToMonochrome(pixels, 3, 1, GetParam()));
}

INSTANTIATE_TEST_SUITE_P(AllMethods, EveryMonochromeMethod,
                         ::testing::ValuesIn(allMonochromeMethods),
                         [](const auto& info) { return std::string(rawValue(info.param)); });

TEST(OtsuThreshold, LineArtInksTheLines)
{
    const Legend in{{'K', grey(0)}, {'W', grey(255)}};
    EXPECT_EQ(monochrome(fromPicture({"WWKWW", "KKKKK", "WWKWW"}, in),
                         MonochromeMethod::otsuThreshold),
              (std::vector<std::string>{"..#..", "#####", "..#.."}));
}

TEST(OtsuThreshold, UniformFieldsAndTransparentPixelsLeftOut)
{
    // Darkness 40 everywhere: threshold 0, all ink. Were the transparent pixels counted
    // (as darkness 255), the split would fall at 40 and nothing would be inked.
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
    // Darkness 10, 200, 10, 210: the split is at 10, so only the two dark pixels are ink.
    const Legend in{{'l', grey(245)}, {'d', grey(55)}, {'e', grey(45)}, {'m', grey(155)}};
    EXPECT_EQ(monochrome(fromPicture({"ldle"}, in), MonochromeMethod::otsuThreshold),
              (std::vector<std::string>{".#.#"}));
    // Darkness 10, 100, 10, 200: split at 10 (sigma 2*2*(10-150)^2 beats 3*1*(40-200)^2),
    // so the mid grey is ink here but not under the fixed threshold.
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

    const Picture half = field(8, 8, 128);
    const Pixels out = convertToMonochrome(half.pixels, 8, 8, MonochromeMethod::bayer);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(out[static_cast<std::size_t>(y * 8 + x)] == model::kOpaqueBlack,
                      bayerMatrix()[y][x] >= 32)
                << x << ", " << y;
        }
    }
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

TEST(ErrorDiffusionMonochrome, FloydSteinbergByHand)
{
    // Darkness 100 everywhere (a 3 x 2 field).
    // (0,0) 100 -> 0, e 100: (1,0) +43.75, (0,1) +31.25, (1,1) +6.25
    // (1,0) 143.75 -> ink, e -111.25: (2,0) -48.671875, (0,1) -20.859375, (1,1) -34.765625,
    //       (2,1) -6.953125
    // (2,0) 51.328125 -> 0, e 51.328125: (1,1) +9.6240234375, (2,1) +16.0400390625
    // (0,1) 110.390625 -> 0, e 110.390625: (1,1) +48.2958984375
    // (1,1) 129.404296875 -> ink, e -125.595703125: (2,1) -54.94812...
    // (2,1) 54.13879... -> 0
    EXPECT_EQ(monochrome(field(3, 2, 100), MonochromeMethod::floydSteinberg),
              (std::vector<std::string>{".#.", ".#."}));
}

TEST(ErrorDiffusionMonochrome, AtkinsonByHand)
{
    // Darkness 100 everywhere (4 x 2); every share is e / 8.
    // (0,0) 100 -> 0: +12.5 to (1,0) (2,0) (0,1) (1,1)
    // (1,0) 112.5 -> 0: +14.0625 to (2,0) (3,0) (0,1) (1,1) (2,1)
    // (2,0) 126.5625 -> 127 -> 0: +15.8203125 to (3,0) (1,1) (2,1) (3,1)
    // (3,0) 129.8828125 -> ink, e -125.1171875: -15.6396484375 to (2,1) (3,1)
    // (0,1) 126.5625 -> 0: +15.8203125 to (1,1)
    // (1,1) 158.203125 -> ink, e -96.796875: -12.099609375 to (2,1)
    // (2,1) 102.1435546875 -> 0: +12.76794... to (3,1)
    // (3,1) 112.9486... -> 0
    EXPECT_EQ(monochrome(field(4, 2, 100), MonochromeMethod::atkinson),
              (std::vector<std::string>{"...#", ".#.."}));
}

TEST(ErrorDiffusionMonochrome, AtkinsonReachesTwoRowsDown)
{
    // A 1 x 3 column of darkness 110.
    // Atkinson: (0,0) 110 -> 0, +13.75 to (0,1) and (0,2); (0,1) 123.75 -> 0, +15.46875 to
    // (0,2); (0,2) 139.21875 -> ink. Without the (0, 2) share it would be 125.46875.
    // Floyd-Steinberg: (0,1) gets 34.375 -> 144.375 -> ink, (0,2) 75.43 -> 0.
    EXPECT_EQ(monochrome(field(1, 3, 110), MonochromeMethod::atkinson),
              (std::vector<std::string>{".", ".", "#"}));
    EXPECT_EQ(monochrome(field(1, 3, 110), MonochromeMethod::floydSteinberg),
              (std::vector<std::string>{".", "#", "."}));
}

TEST(ErrorDiffusionMonochrome, WorkingValueIsRoundedBeforeTheThreshold)
{
    // (0,0) darkness 8 -> 0, e 8, 7/16 of it is 3.5; (1,0) 124 + 3.5 = 127.5 -> 128 -> ink.
    const Legend in{{'a', grey(247)}, {'b', grey(131)}};
    EXPECT_EQ(monochrome(fromPicture({"ab"}, in), MonochromeMethod::floydSteinberg),
              (std::vector<std::string>{".#"}));
}

TEST(ErrorDiffusionMonochrome, OneByOneQuantisesOnly)
{
    for (MonochromeMethod method : {MonochromeMethod::floydSteinberg, MonochromeMethod::atkinson}) {
        EXPECT_EQ(monochrome(field(1, 1, 128), method), (std::vector<std::string>{"#"}));
        EXPECT_EQ(monochrome(field(1, 1, 127), method), (std::vector<std::string>{"."}));
    }
}

TEST(ErrorDiffusionMonochrome, EveryRowRunsLeftToRight)
{
    // 2 x 2 of darkness 100. Row 1 from the left: (0,1) 110.39 -> 0, passing 48.30 on to
    // (1,1), which ends at 119.78 -> 0. Walking row 1 from the right would ink (0,1).
    // A uniform field is its own mirror, yet the result is not.
    EXPECT_EQ(monochrome(field(2, 2, 100), MonochromeMethod::floydSteinberg),
              (std::vector<std::string>{".#", ".."}));
}

TEST(ErrorDiffusionMonochrome, TransparentPixelsGiveNoError)
{
    // A transparent (128,128,128,0) would quantise to 0 with error 127 if it were visited,
    // pushing its neighbour (darkness 100) over the threshold.
    const Legend in{{'h', grey(128, 0)}, {'m', grey(155)}};
    for (MonochromeMethod method : {MonochromeMethod::floydSteinberg, MonochromeMethod::atkinson}) {
        EXPECT_EQ(monochrome(fromPicture({"hm", "mh"}, in), method),
                  (std::vector<std::string>{"..", ".."}));
    }
}

TEST(ErrorDiffusionMonochrome, SharesOntoTransparentPixelsAreDropped)
{
    // Floyd-Steinberg, darkness 100 with (1,0) transparent: (0,0) gives 31.25 to (0,1) and
    // 6.25 to (1,1); its 43.75 for (1,0) is lost.
    // (0,1) 131.25 -> ink, e -123.75, 7/16 to (1,1): 106.25 - 54.140625 = 52.1 -> 0.
    const Legend in{{'m', grey(155)}, {' ', model::kTransparent}};
    EXPECT_EQ(monochrome(fromPicture({"m ", "mm"}, in), MonochromeMethod::floydSteinberg),
              (std::vector<std::string>{"..", "#."}));
}

}  // namespace
}  // namespace pixmora::convert
