#include "convert/conversion.h"

#include <string>

#include <gtest/gtest.h>

#include "pixel_picture.h"

namespace pixmora::convert {
namespace {

using test::grey;

TEST(MethodNames, MonochromeRawValuesAndTitles)
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
        EXPECT_EQ(rawValue(method), expected[i].first);
        EXPECT_EQ(title(method), expected[i].second);
        EXPECT_EQ(monochromeMethodFromRaw(expected[i].first), method);
    }
    for (const char* bad : {"", "FixedThreshold", "bayer "}) {
        EXPECT_EQ(monochromeMethodFromRaw(bad), std::nullopt) << bad;
    }
}

TEST(MethodNames, PaletteDitherRawValuesAndTitles)
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
        EXPECT_EQ(rawValue(method), expected[i].first);
        EXPECT_EQ(title(method), expected[i].second);
        EXPECT_EQ(paletteDitherMethodFromRaw(expected[i].first), method);
    }
    for (const char* bad : {"", "None", "fixedThreshold"}) {
        EXPECT_EQ(paletteDitherMethodFromRaw(bad), std::nullopt) << bad;
    }
}

TEST(BayerMatrix, IsTheRecursiveOrderedDitherMatrix)
{
    // Bit-reversed interleave of (x xor y) and y, computed rather than copied.
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            int expected = 0;
            for (int k = 0; k < 3; ++k) {
                expected |= (((x ^ y) >> k) & 1) << (5 - 2 * k);
                expected |= ((y >> k) & 1) << (4 - 2 * k);
            }
            EXPECT_EQ(bayerMatrix()[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)],
                      expected)
                << x << ", " << y;
        }
    }
}

TEST(Rounding, HalvesAwayFromZeroAndClamped)
{
    EXPECT_EQ(roundClampByte(127.5), 128);
    EXPECT_EQ(roundClampByte(2.5), 3) << "not to even";
    EXPECT_EQ(roundClampByte(0.49999999999999994), 0) << "v + 0.5 then floor would give 1";
    EXPECT_EQ(roundClampByte(-0.5), 0);
    EXPECT_EQ(roundClampByte(1e300), 255);
    EXPECT_EQ(roundClampByte(-1e300), 0);
}

TEST(Luminance, WeightedSumInItsOrderOfAdditions)
{
    EXPECT_EQ(luminance(grey(127)), 127);
    EXPECT_EQ(luminance(grey(128)), 128);
    EXPECT_EQ(luminance({255, 0, 0, 255}), 76);
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

TEST(AlphaRules, SilhouetteAndThresholdSplitAt128)
{
    const Pixels in{{255, 254, 253, 128}, {1, 2, 3, 127}, {10, 20, 30, 255}, {9, 9, 9, 0}};
    EXPECT_EQ(alphaSilhouette(in), (Pixels{model::kOpaqueBlack, model::kTransparent,
                                           model::kOpaqueBlack, model::kTransparent}));
    EXPECT_EQ(thresholdAlpha(in), (Pixels{{255, 254, 253, 255}, model::kTransparent,
                                          {10, 20, 30, 255}, model::kTransparent}));
    EXPECT_TRUE(alphaSilhouette({}).empty());
    EXPECT_TRUE(thresholdAlpha({}).empty());
}

TEST(Otsu, EmptyUniformAndTwoLevelInputs)
{
    EXPECT_EQ(computeOtsuThreshold({}), 128) << "empty";
    EXPECT_EQ(computeOtsuThreshold({40, 40, 40}), 0) << "uniform leaves before any split";
    EXPECT_EQ(computeOtsuThreshold({0, 255, 255, 0, 0}), 0) << "two levels split at the lower";
}

TEST(Otsu, PicksTheBestSplitAndTiesGoToTheLowestLevel)
{
    // Between-class variance: t = 10 gives 152100, t = 200 gives 56033.
    EXPECT_EQ(computeOtsuThreshold({10, 200, 10, 210}), 10);
    // t = 30 gives 70533, t = 50 gives 176400.
    EXPECT_EQ(computeOtsuThreshold({250, 30, 250, 50}), 50);
    // 45000 for every t in 0..199; only a strict comparison keeps 0.
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
    ::testing::Values(ImportSizeRow{1000, 500, 128, 64},
                      ImportSizeRow{100, 60, 104, 64},  // 12.5 -> 13 and 7.5 -> 8: halves up
                      ImportSizeRow{20, 10, 24, 8}, ImportSizeRow{3, 3, 8, 8},
                      ImportSizeRow{1, 1000, 8, 128}, ImportSizeRow{std::int64_t{1} << 40, 3, 128, 8},
                      // Nothing to fit: the largest canvas.
                      ImportSizeRow{0, 50, 128, 128}, ImportSizeRow{50, 0, 128, 128},
                      ImportSizeRow{-8, -8, 128, 128}));

}  // namespace
}  // namespace pixmora::convert
