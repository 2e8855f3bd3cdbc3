#include "model/color_mode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <tuple>
#include <vector>

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
    // Files store indices into these tables: their order is part of the format.
    const auto hex = [](std::initializer_list<std::uint32_t> rgb) {
        std::vector<RGBAColor> colours;
        for (const std::uint32_t c : rgb) {
            colours.push_back({std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c), 255});
        }
        return colours;
    };
    const auto sixteen = hex({0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                              0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                              0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF});
    EXPECT_EQ(palette(ColorMode::sixteenColor), sixteen);
    std::vector<RGBAColor> extras = sixteen;
    const auto added = hex({0xC0DCC0, 0xA6CAF0, 0xFFFBF0, 0xA0A0A4});
    extras.insert(extras.begin() + 8, added.begin(), added.end());
    EXPECT_EQ(std::vector<RGBAColor>(web.begin() + 216, web.end()), extras);
    EXPECT_EQ(nearestPaletteIndex(255, 0, 0, web), 180u) << "not its duplicate at 229";
    EXPECT_EQ(nearestPaletteColor(1, 2, 3, {}), kTransparent);
}

}  // namespace
}  // namespace pixmora::model
