#include "model/color_mode.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

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

// ---- names and titles

TEST(ColorModeNames, CasesInDeclarationOrderWithTheirStoredNames)
{
    ASSERT_EQ(allColorModes.size(), 3u);
    EXPECT_EQ(allColorModes[0], ColorMode::twoColor);
    EXPECT_EQ(allColorModes[1], ColorMode::sixteenColor);
    EXPECT_EQ(allColorModes[2], ColorMode::webSafe256);
    EXPECT_EQ(rawValue(ColorMode::twoColor), "twoColor");
    EXPECT_EQ(rawValue(ColorMode::sixteenColor), "sixteenColor");
    EXPECT_EQ(rawValue(ColorMode::webSafe256), "webSafe256");
    for (const ColorMode mode : allColorModes) {
        EXPECT_EQ(colorModeFromRaw(rawValue(mode)), mode);
    }
}

TEST(ColorModeNames, OnlyTheExactStoredNameIsAccepted)
{
    for (const std::string_view raw :
         {"WebSafe256", "", "webSafe256 ", " twoColor", "twocolor", "sixteen", "webSafe2560"}) {
        EXPECT_EQ(colorModeFromRaw(raw), std::nullopt) << '"' << raw << '"';
    }
    EXPECT_EQ(colorModeFromRaw(std::string_view("twoColor\0", 9)), std::nullopt);
}

TEST(ColorModeNames, Titles)
{
    EXPECT_EQ(title(ColorMode::twoColor), "2色（白黒）");
    EXPECT_EQ(title(ColorMode::sixteenColor), "16色");
    EXPECT_EQ(title(ColorMode::webSafe256), "256色");
}

// ---- palettes

TEST(Palettes, SizesAndOpacity)
{
    EXPECT_EQ(palette(ColorMode::twoColor).size(), 1u);
    EXPECT_EQ(palette(ColorMode::sixteenColor).size(), 16u);
    EXPECT_EQ(palette(ColorMode::webSafe256).size(), 236u);
    for (const ColorMode mode : allColorModes) {
        for (const RGBAColor& entry : palette(mode)) {
            EXPECT_EQ(entry.a, 255) << rawValue(mode);
        }
    }
    EXPECT_EQ(palette(ColorMode::twoColor)[0], kOpaqueBlack);
}

TEST(Palettes, SixteenColoursInOrder)
{
    const std::vector<RGBAColor> expected{
        hex(0x000000), hex(0x800000), hex(0x008000), hex(0x808000), hex(0x000080), hex(0x800080),
        hex(0x008080), hex(0xC0C0C0), hex(0x808080), hex(0xFF0000), hex(0x00FF00), hex(0xFFFF00),
        hex(0x0000FF), hex(0xFF00FF), hex(0x00FFFF), hex(0xFFFFFF)};
    EXPECT_EQ(palette(ColorMode::sixteenColor), expected);
}

TEST(Palettes, WebSafeCubeThenTwentyFurtherColours)
{
    const auto& web = palette(ColorMode::webSafe256);
    ASSERT_EQ(web.size(), 236u);
    EXPECT_EQ(web[0], hex(0x000000));
    EXPECT_EQ(web[1], hex(0x000033));
    EXPECT_EQ(web[6], hex(0x003300));
    EXPECT_EQ(web[36], hex(0x330000));
    EXPECT_EQ(web[180], hex(0xFF0000));
    EXPECT_EQ(web[215], hex(0xFFFFFF));
    const int levels[] = {0x00, 0x33, 0x66, 0x99, 0xCC, 0xFF};
    for (int ri = 0; ri < 6; ++ri) {
        for (int gi = 0; gi < 6; ++gi) {
            for (int bi = 0; bi < 6; ++bi) {
                const RGBAColor expected{static_cast<std::uint8_t>(levels[ri]),
                                         static_cast<std::uint8_t>(levels[gi]),
                                         static_cast<std::uint8_t>(levels[bi]), 255};
                EXPECT_EQ(web[static_cast<std::size_t>(36 * ri + 6 * gi + bi)], expected);
            }
        }
    }
    const std::uint32_t tail[] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080,
                                  0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0,
                                  0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00,
                                  0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (std::size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(web[216 + i], hex(tail[i])) << "index " << 216 + i;
    }
}

TEST(Palettes, WebSafeIsBuiltOnceEvenUnderConcurrentFirstUse)
{
    // Each test runs in its own process under CTest, so this is the first use.
    std::vector<const std::vector<RGBAColor>*> seen(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&seen, i] { seen[i] = &palette(ColorMode::webSafe256); });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    for (const auto* p : seen) {
        EXPECT_EQ(p, seen[0]);
    }
    EXPECT_EQ(seen[0]->size(), 236u);
    EXPECT_EQ(&palette(ColorMode::webSafe256), seen[0]);
}

// ---- nearest colour

TEST(NearestColour, KnownMappings)
{
    const auto& sixteen = palette(ColorMode::sixteenColor);
    EXPECT_EQ(nearestPaletteIndex(64, 0, 0, sixteen), 0u);  // 4096 from both 000000 and 800000
    EXPECT_EQ(nearestPaletteColor(200, 200, 200, sixteen), hex(0xC0C0C0));
    EXPECT_EQ(nearestPaletteColor(100, 100, 100, sixteen), hex(0x808080));

    const auto& web = palette(ColorMode::webSafe256);
    EXPECT_EQ(nearestPaletteIndex(255, 0, 0, web), 180u);  // not its duplicate at 229
    EXPECT_EQ(nearestPaletteIndex(0xC0, 0xDC, 0xC0, web), 224u);
    EXPECT_EQ(nearestPaletteIndex(0xC1, 0xDC, 0xC0, web), 224u);
    EXPECT_EQ(nearestPaletteColor(0xC1, 0xDC, 0xC0, web), hex(0xC0DCC0));
}

TEST(NearestColour, DuplicatesNeverWinOverTheirFirstOccurrence)
{
    const auto& web = palette(ColorMode::webSafe256);
    for (std::size_t i = 0; i < web.size(); ++i) {
        const std::size_t chosen = nearestPaletteIndex(web[i].r, web[i].g, web[i].b, web);
        EXPECT_EQ(web[chosen], web[i]);
        EXPECT_LE(chosen, i);
        if (i == 216 || i >= 229) {
            EXPECT_LT(chosen, 216u) << "index " << i;
        }
    }
}

TEST(NearestColour, ChoosesTheEarliestEntryAtMinimalDistance)
{
    for (const ColorMode mode : {ColorMode::sixteenColor, ColorMode::webSafe256}) {
        const auto& entries = palette(mode);
        for (int r = 0; r <= 255; r += 3) {
            for (int g = 0; g <= 255; g += 5) {
                for (int b = 0; b <= 255; b += 7) {
                    const std::size_t chosen = nearestPaletteIndex(r, g, b, entries);
                    const int best = distance(r, g, b, entries[chosen]);
                    for (std::size_t i = 0; i < entries.size(); ++i) {
                        const int d = distance(r, g, b, entries[i]);
                        ASSERT_TRUE(d > best || (d == best && i >= chosen))
                            << rawValue(mode) << " " << r << "," << g << "," << b << " chose "
                            << chosen << " but " << i << " is as near";
                    }
                }
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
