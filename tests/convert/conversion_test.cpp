#include "convert/conversion.h"

#include <set>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "pixel_picture.h"

namespace pixmora::convert {
namespace {

using test::grey;

TEST(MethodNames, MonochromeCasesInOrderWithRawValuesAndTitles)
{
    const std::vector<std::pair<std::string, std::string>> expected{
        {"fixedThreshold", "固定しきい値"},
        {"otsuThreshold", "自動しきい値（大津の二値化）"},
        {"floydSteinberg", "Floyd-Steinberg（誤差拡散）"},
        {"atkinson", "Atkinson（誤差拡散、レトロMac風）"},
        {"bayer", "Bayer（順序ディザ、網目模様）"},
    };
    ASSERT_EQ(allMonochromeMethods.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const MonochromeMethod method = allMonochromeMethods[i];
        EXPECT_EQ(static_cast<std::size_t>(method), i) << "declaration order";
        EXPECT_EQ(rawValue(method), expected[i].first);
        EXPECT_EQ(title(method), expected[i].second);
        EXPECT_EQ(monochromeMethodFromRaw(expected[i].first), method);
    }
    for (const char* bad : {"", "FixedThreshold", "floydsteinberg", "none", "bayer "}) {
        EXPECT_EQ(monochromeMethodFromRaw(bad), std::nullopt) << bad;
    }
}

TEST(MethodNames, PaletteDitherCasesInOrderWithRawValuesAndTitles)
{
    const std::vector<std::pair<std::string, std::string>> expected{
        {"none", "しない"},
        {"floydSteinberg", "Floyd-Steinberg（誤差拡散）"},
        {"atkinson", "Atkinson（誤差拡散、レトロMac風）"},
        {"bayer", "Bayer（順序ディザ、網目模様）"},
    };
    ASSERT_EQ(allPaletteDitherMethods.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const PaletteDitherMethod method = allPaletteDitherMethods[i];
        EXPECT_EQ(static_cast<std::size_t>(method), i) << "declaration order";
        EXPECT_EQ(rawValue(method), expected[i].first);
        EXPECT_EQ(title(method), expected[i].second);
        EXPECT_EQ(paletteDitherMethodFromRaw(expected[i].first), method);
    }
    for (const char* bad : {"", "None", "fixedThreshold", "atkinson\n"}) {
        EXPECT_EQ(paletteDitherMethodFromRaw(bad), std::nullopt) << bad;
    }
}

TEST(Kernels, EntriesInOrder)
{
    const auto check = [](const std::vector<KernelEntry>& kernel,
                          const std::vector<KernelEntry>& expected) {
        ASSERT_EQ(kernel.size(), expected.size());
        for (std::size_t i = 0; i < kernel.size(); ++i) {
            EXPECT_EQ(kernel[i].dx, expected[i].dx) << i;
            EXPECT_EQ(kernel[i].dy, expected[i].dy) << i;
            EXPECT_EQ(kernel[i].weight, expected[i].weight) << i;
        }
    };
    check(floydSteinbergKernel(),
          {{1, 0, 0.4375}, {-1, 1, 0.1875}, {0, 1, 0.3125}, {1, 1, 0.0625}});
    check(atkinsonKernel(), {{1, 0, 0.125},
                             {2, 0, 0.125},
                             {-1, 1, 0.125},
                             {0, 1, 0.125},
                             {1, 1, 0.125},
                             {0, 2, 0.125}});
    EXPECT_EQ(&floydSteinbergKernel(), &floydSteinbergKernel()) << "built once";
}

TEST(BayerMatrix, MatchesTheIndexTableAndHoldsEachLevelOnce)
{
    const std::array<std::array<int, 8>, 8> expected{{
        {0, 32, 8, 40, 2, 34, 10, 42},
        {48, 16, 56, 24, 50, 18, 58, 26},
        {12, 44, 4, 36, 14, 46, 6, 38},
        {60, 28, 52, 20, 62, 30, 54, 22},
        {3, 35, 11, 43, 1, 33, 9, 41},
        {51, 19, 59, 27, 49, 17, 57, 25},
        {15, 47, 7, 39, 13, 45, 5, 37},
        {63, 31, 55, 23, 61, 29, 53, 21},
    }};
    EXPECT_EQ(bayerMatrix(), expected);
    std::set<int> levels;
    for (const auto& row : bayerMatrix()) {
        levels.insert(row.begin(), row.end());
    }
    EXPECT_EQ(levels.size(), 64u);
}

TEST(BayerMatrix, ConcurrentFirstUseSeesOneTable)
{
    std::array<const void*, 4> seen{};
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&seen, i] {
            seen[i] = &bayerMatrix();
            (void)atkinsonKernel();
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    for (const void* p : seen) {
        EXPECT_EQ(p, &bayerMatrix());
    }
}

TEST(Rounding, HalvesAwayFromZeroAndClamped)
{
    EXPECT_EQ(roundClampByte(127.5), 128);
    EXPECT_EQ(roundClampByte(127.49999999999999), 127);
    EXPECT_EQ(roundClampByte(2.5), 3) << "not to even";
    EXPECT_EQ(roundClampByte(0.49999999999999994), 0) << "v + 0.5 then floor would give 1";
    EXPECT_EQ(roundClampByte(254.5), 255);
    EXPECT_EQ(roundClampByte(-0.5), 0);
    EXPECT_EQ(roundClampByte(-300.25), 0);
    EXPECT_EQ(roundClampByte(1e300), 255);
    EXPECT_EQ(roundClampByte(-1e300), 0);
}

TEST(Luminance, WeightedSumInItsOrderOfAdditions)
{
    EXPECT_EQ(luminance(grey(127)), 127);
    EXPECT_EQ(luminance(grey(128)), 128);
    EXPECT_EQ(luminance({255, 0, 0, 255}), 76);
    EXPECT_EQ(luminance({0, 255, 0, 255}), 150);
    EXPECT_EQ(luminance({0, 0, 255, 255}), 29);
    EXPECT_EQ(luminance(grey(255)), 255);
    EXPECT_EQ(luminance(grey(0, 0)), 0) << "alpha plays no part";

    // Premises of the two knife-edge cases: one sum lands just below a half, one on it.
    const double belowHalf = (0.299 * 0 + 0.587 * 204) + 0.114 * 68;
    const double onHalf = (0.299 * 1 + 0.587 * 173) + 0.114 * 225;
    EXPECT_LT(belowHalf, 127.5);
    EXPECT_EQ(onHalf, 127.5);
    EXPECT_EQ(luminance({0, 204, 68, 255}), 127);
    EXPECT_EQ(luminance({1, 173, 225, 255}), 128);
    // Both give 127.49999999999999 when g and b are added first.
    EXPECT_EQ(luminance({49, 167, 130, 255}), 128);
    EXPECT_EQ(luminance({1, 13, 5, 255}), 9);
}

TEST(AlphaRules, SilhouetteLooksOnlyAtAlpha)
{
    const Pixels in{{255, 255, 255, 128}, {0, 0, 0, 127}, {10, 20, 30, 255}, {9, 9, 9, 0}};
    const Pixels expected{model::kOpaqueBlack, model::kTransparent, model::kOpaqueBlack,
                          model::kTransparent};
    EXPECT_EQ(alphaSilhouette(in), expected);
}

TEST(AlphaRules, ThresholdAlphaKeepsColourOfOpaqueSide)
{
    const Pixels in{{255, 254, 253, 128}, {1, 2, 3, 127}, {10, 20, 30, 255}, {9, 9, 9, 0}};
    const Pixels expected{{255, 254, 253, 255}, model::kTransparent, {10, 20, 30, 255},
                          model::kTransparent};
    EXPECT_EQ(thresholdAlpha(in), expected);
}

TEST(Otsu, EmptyUniformAndTwoLevelInputs)
{
    EXPECT_EQ(computeOtsuThreshold({}), 128) << "empty";
    EXPECT_EQ(computeOtsuThreshold({40, 40, 40}), 0) << "uniform leaves before any split";
    EXPECT_EQ(computeOtsuThreshold({0, 0, 0}), 0);
    EXPECT_EQ(computeOtsuThreshold({255}), 0);
    EXPECT_EQ(computeOtsuThreshold({0, 255, 255, 0, 0}), 0) << "two levels split at the lower";
}

TEST(Otsu, PicksTheBestSplit)
{
    // hist 10:2, 200:1, 210:1; total 430.
    // t = 10:  mB = 10, mF = 205, sigma = 195^2 * 2 * 2 = 152100
    // t = 200: mB = 220/3, mF = 210, sigma = 3 * (410/3)^2 = 56033.3
    EXPECT_EQ(computeOtsuThreshold({10, 200, 10, 210}), 10);
    // hist 30:1, 50:1, 250:2.
    // t = 30:  1 * 3 * (30 - 550/3)^2 = 70533.3;  t = 50: 2 * 2 * (40 - 250)^2 = 176400
    EXPECT_EQ(computeOtsuThreshold({250, 30, 250, 50}), 50);
}

TEST(Otsu, TieGoesToTheLowestLevel)
{
    // t = 0: 1 * 2 * (0 - 150)^2 = 45000; t = 1..99 repeat it exactly, t = 100..199 as well
    // (2 * 1 * (50 - 200)^2). Only a strict comparison keeps 0.
    EXPECT_EQ(computeOtsuThreshold({0, 100, 200}), 0);
}

struct ImportSizeRow {
    std::int64_t w;
    std::int64_t h;
    std::int64_t width;
    std::int64_t height;
};

class InitialImportSize : public ::testing::TestWithParam<ImportSizeRow> {};

TEST_P(InitialImportSize, FitsAndRoundsToEights)
{
    const ImportSizeRow row = GetParam();
    const auto [width, height] = initialImportSize(row.w, row.h);
    EXPECT_EQ(width, row.width) << row.w << " x " << row.h;
    EXPECT_EQ(height, row.height) << row.w << " x " << row.h;
}

INSTANTIATE_TEST_SUITE_P(
    Table, InitialImportSize,
    ::testing::Values(ImportSizeRow{1000, 500, 128, 64}, ImportSizeRow{640, 480, 128, 96},
                      ImportSizeRow{100, 60, 104, 64},  // 12.5 -> 13 and 7.5 -> 8: halves up
                      ImportSizeRow{20, 10, 24, 8}, ImportSizeRow{3, 3, 8, 8},
                      ImportSizeRow{1, 1000, 8, 128}, ImportSizeRow{128, 128, 128, 128},
                      ImportSizeRow{129, 1, 128, 8}, ImportSizeRow{12, 11, 16, 8},
                      ImportSizeRow{std::int64_t{1} << 40, 3, 128, 8},
                      // Nothing to fit: the largest canvas.
                      ImportSizeRow{0, 50, 128, 128}, ImportSizeRow{50, 0, 128, 128},
                      ImportSizeRow{-8, -8, 128, 128}));

TEST(ZeroPixels, AlphaRulesGiveEmptyArrays)
{
    EXPECT_TRUE(alphaSilhouette({}).empty());
    EXPECT_TRUE(thresholdAlpha({}).empty());
}

}  // namespace
}  // namespace pixmora::convert
