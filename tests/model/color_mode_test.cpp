#include "model/color_mode.h"

#include <gtest/gtest.h>

#include <tuple>

namespace pixmora::model {
namespace {

TEST(ColorModeNames, StoredNamesRoundTripExactlyAndTitles)
{
    const std::tuple<ColorMode, std::string_view, std::string_view> names[] = {
        {ColorMode::twoColor, "twoColor", "2色（白黒）"},
        {ColorMode::sixteenColor, "sixteenColor", "16色"},
        {ColorMode::webSafe256, "webSafe256", "256色"},
    };
    for (const auto& [mode, raw, text] : names) {
        EXPECT_EQ(rawValue(mode), raw);
        EXPECT_EQ(colorModeFromRaw(raw), mode);
        EXPECT_EQ(title(mode), text);
    }
    EXPECT_EQ(colorModeFromRaw("webSafe256 "), std::nullopt);
}

TEST(Palettes, WebSafeIsTheCubeThenExtrasAndNearestTiesGoToTheEarliestEntry)
{
    const auto& web = palette(ColorMode::webSafe256);
    ASSERT_EQ(web.size(), 236u);
    const auto level = [](std::size_t digit) { return static_cast<std::uint8_t>(0x33 * digit); };
    for (std::size_t i = 0; i < 216; ++i) {
        EXPECT_EQ(web[i], (RGBAColor{level(i / 36), level(i / 6 % 6), level(i % 6), 255})) << i;
    }
    EXPECT_EQ(web[229], (RGBAColor{0xFF, 0, 0, 255})) << "the duplicate of entry 180";
    EXPECT_EQ(nearestPaletteIndex(255, 0, 0, web), 180u) << "not its duplicate at 229";
    EXPECT_EQ(nearestPaletteColor(1, 2, 3, {}), kTransparent);
}

}  // namespace
}  // namespace pixmora::model
