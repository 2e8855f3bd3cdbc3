#include "convert/conversion.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace pixmora::convert {
namespace {

using Names = std::vector<std::pair<std::string_view, std::string_view>>;

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
            EXPECT_EQ(bayerMatrix()[y][x], expected) << x << ", " << y;
        }
    }
}

TEST(Otsu, PicksTheBestSplitAndTiesGoToTheLowestLevel)
{
    EXPECT_EQ(computeOtsuThreshold({}), 128) << "empty";
    // 45000 for every t in 0..199; only a strict comparison keeps 0.
    EXPECT_EQ(computeOtsuThreshold({0, 100, 200}), 0);
}

TEST(InitialImportSize, FitsAndRoundsToEights)
{
    using Size = std::pair<std::int64_t, std::int64_t>;
    const std::pair<Size, Size> table[] = {
        {{1000, 500}, {128, 64}}, {{100, 60}, {104, 64}},  // 12.5 -> 13 and 7.5 -> 8: halves up
        {{1, 1000}, {8, 128}}, {{std::int64_t{1} << 40, 3}, {128, 8}},
        {{50, 0}, {128, 128}}, {{-8, -8}, {128, 128}},  // nothing to fit
    };
    for (const auto& [in, out] : table) {
        EXPECT_EQ(initialImportSize(in.first, in.second), out) << in.first << " x " << in.second;
    }
}

}  // namespace
}  // namespace pixmora::convert
