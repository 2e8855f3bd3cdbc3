#include "model/color_mode.h"

#include <gtest/gtest.h>

#include <array>

namespace pixmora::model {
namespace {

RGBAColor hex(std::uint32_t rgb)
{
    return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
            static_cast<std::uint8_t>(rgb), 255};
}

int distance(int r, int g, int b, RGBAColor p)
{
    return (r - p.r) * (r - p.r) + (g - p.g) * (g - p.g) + (b - p.b) * (b - p.b);
}

TEST(ColorModeNames, StoredNamesRoundTripExactlyAndTitles)
{
    EXPECT_EQ(allColorModes,
              (std::array{ColorMode::twoColor, ColorMode::sixteenColor, ColorMode::webSafe256}));
    EXPECT_EQ(colorModeFromRaw("twoColor"), ColorMode::twoColor);
    EXPECT_EQ(colorModeFromRaw("sixteenColor"), ColorMode::sixteenColor);
    EXPECT_EQ(colorModeFromRaw("webSafe256"), ColorMode::webSafe256);
    for (const ColorMode mode : allColorModes) {
        EXPECT_EQ(colorModeFromRaw(rawValue(mode)), mode);
    }
    for (const std::string_view raw : {"WebSafe256", "", "webSafe256 ", "twocolor"}) {
        EXPECT_EQ(colorModeFromRaw(raw), std::nullopt) << '"' << raw << '"';
    }
    EXPECT_EQ(colorModeFromRaw(std::string_view("twoColor\0", 9)), std::nullopt);

    EXPECT_EQ(title(ColorMode::twoColor), "2色（白黒）");
    EXPECT_EQ(title(ColorMode::sixteenColor), "16色");
    EXPECT_EQ(title(ColorMode::webSafe256), "256色");
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
    EXPECT_EQ(web[229], hex(0xFF0000)) << "the duplicate of entry 180";
}

TEST(NearestColour, KnownMappings)
{
    const auto& sixteen = palette(ColorMode::sixteenColor);
    EXPECT_EQ(nearestPaletteIndex(64, 0, 0, sixteen), 0u);  // 4096 from both 000000 and 800000
    EXPECT_EQ(nearestPaletteColor(200, 200, 200, sixteen), hex(0xC0C0C0));
    EXPECT_EQ(nearestPaletteColor(100, 100, 100, sixteen), hex(0x808080));

    const auto& web = palette(ColorMode::webSafe256);
    EXPECT_EQ(nearestPaletteIndex(255, 0, 0, web), 180u);  // not its duplicate at 229
    EXPECT_EQ(nearestPaletteIndex(0xC0, 0xDC, 0xC0, web), 224u);
    EXPECT_EQ(nearestPaletteColor(0xC1, 0xDC, 0xC0, web), hex(0xC0DCC0));
}

TEST(NearestColour, ChoosesTheEarliestEntryAtMinimalDistance)
{
    for (const ColorMode mode : {ColorMode::sixteenColor, ColorMode::webSafe256}) {
        const auto& entries = palette(mode);
        // A coarse grid plus every entry itself, where duplicates tie exactly.
        std::vector<RGBAColor> probes(entries);
        for (int r = 0; r <= 255; r += 5) {
            for (int g = 0; g <= 255; g += 7) {
                for (int b = 0; b <= 255; b += 11) {
                    probes.push_back({static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                                      static_cast<std::uint8_t>(b), 255});
                }
            }
        }
        for (const RGBAColor& p : probes) {
            const std::size_t chosen = nearestPaletteIndex(p.r, p.g, p.b, entries);
            const int best = distance(p.r, p.g, p.b, entries[chosen]);
            for (std::size_t i = 0; i < entries.size(); ++i) {
                const int d = distance(p.r, p.g, p.b, entries[i]);
                ASSERT_TRUE(d > best || (d == best && i >= chosen))
                    << rawValue(mode) << " " << int{p.r} << "," << int{p.g} << "," << int{p.b}
                    << " chose " << chosen << " but " << i << " is as near";
            }
        }
    }
}

TEST(NearestColour, IgnoresAlphaAndHandlesTinyPalettes)
{
    const std::vector<RGBAColor> custom{{10, 10, 10, 0}, {200, 0, 0, 255}, {12, 10, 10, 255}};
    EXPECT_EQ(nearestPaletteIndex(11, 10, 10, custom), 0u);  // tie with entry 2, alpha ignored
    EXPECT_EQ(nearestPaletteIndex(13, 10, 10, custom), 2u);
    EXPECT_EQ(nearestPaletteColor(255, 255, 255, palette(ColorMode::twoColor)), kOpaqueBlack);
    EXPECT_EQ(nearestPaletteColor(1, 2, 3, {}), kTransparent);
}

}  // namespace
}  // namespace pixmora::model
