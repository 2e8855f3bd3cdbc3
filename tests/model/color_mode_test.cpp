#include "model/color_mode.h"

#include <gtest/gtest.h>

#include <string_view>
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
    for (const std::string_view raw : {"WebSafe256", "", "webSafe256 ", "twocolor"}) {
        EXPECT_EQ(colorModeFromRaw(raw), std::nullopt) << '"' << raw << '"';
    }
}

TEST(Palettes, SizesOpacityAndWebSafeCube)
{
    EXPECT_EQ(palette(ColorMode::twoColor), std::vector<RGBAColor>{kOpaqueBlack});
    EXPECT_EQ(palette(ColorMode::sixteenColor).size(), 16u);
    const auto& web = palette(ColorMode::webSafe256);
    ASSERT_EQ(web.size(), 236u);
    for (const ColorMode mode : allColorModes) {
        for (const RGBAColor& entry : palette(mode)) {
            EXPECT_EQ(entry.a, 255) << rawValue(mode);
        }
    }
    const auto level = [](std::size_t digit) { return static_cast<std::uint8_t>(0x33 * digit); };
    for (std::size_t i = 0; i < 216; ++i) {
        EXPECT_EQ(web[i], (RGBAColor{level(i / 36), level(i / 6 % 6), level(i % 6), 255})) << i;
    }
    EXPECT_EQ(web[224], (RGBAColor{0xC0, 0xDC, 0xC0, 255}));
    EXPECT_EQ(web[229], (RGBAColor{0xFF, 0, 0, 255})) << "the duplicate of entry 180";
}

TEST(NearestColour, TiesGoToTheEarliestEntryAlphaIsIgnoredAndTinyPalettes)
{
    const auto& web = palette(ColorMode::webSafe256);
    EXPECT_EQ(nearestPaletteIndex(255, 0, 0, web), 180u) << "not its duplicate at 229";
    // 4096 from both 000000 and 800000.
    EXPECT_EQ(nearestPaletteIndex(64, 0, 0, palette(ColorMode::sixteenColor)), 0u);
    const std::vector<RGBAColor> custom{{10, 10, 10, 0}, {200, 0, 0, 255}, {12, 10, 10, 255}};
    EXPECT_EQ(nearestPaletteIndex(11, 10, 10, custom), 0u);  // tie with entry 2, alpha ignored
    EXPECT_EQ(nearestPaletteIndex(13, 10, 10, custom), 2u);
    EXPECT_EQ(nearestPaletteColor(255, 255, 255, palette(ColorMode::twoColor)), kOpaqueBlack);
    EXPECT_EQ(nearestPaletteColor(1, 2, 3, {}), kTransparent);
}

}  // namespace
}  // namespace pixmora::model
