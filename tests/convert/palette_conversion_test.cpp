#include "convert/conversion.h"

#include <random>

#include <gtest/gtest.h>

#include "../model/pixel_picture.h"
#include "model/color_mode.h"

namespace pixmora::convert {
namespace {

using model::ColorMode;
using model::PixelImage;
using test::Legend;
using test::Rows;

RGBAColor grey(int v, int a = 255)
{
    const auto c = static_cast<std::uint8_t>(v);
    return {c, c, c, static_cast<std::uint8_t>(a)};
}

RGBAColor hex(std::uint32_t rgb, std::uint8_t a = 255)
{
    return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
            static_cast<std::uint8_t>(rgb), a};
}

Rows converted(PaletteDitherMethod method, const PixelImage& in, const Pixels& palette,
               const Legend& legend)
{
    PixelImage out(in.width, in.height,
                   convertToPalette(method, in.pixels, in.width, in.height, palette));
    EXPECT_EQ(out.pixels.size(), in.pixels.size());
    out.pixels.resize(in.pixels.size());
    return test::toRows(out, legend);
}

PixelImage field(std::int64_t w, std::int64_t h, RGBAColor c)
{
    return {w, h, Pixels(static_cast<std::size_t>(w * h), c)};
}

TEST(PaletteNone, EqualsTheModelRuleOnRandomPixels)
{
    std::mt19937 random(3);
    const auto next = [&] { return static_cast<std::uint8_t>(random() % 256); };
    Pixels in;
    for (int i = 0; i < 32 * 32; ++i) {
        in.push_back({next(), next(), next(), 255});
    }
    for (ColorMode mode : model::allColorModes) {
        const auto& palette = model::palette(mode);
        Pixels expected;
        for (const RGBAColor& p : in) {
            expected.push_back(model::nearestPaletteColor(p.r, p.g, p.b, palette));
        }
        EXPECT_EQ(convertToPalette(PaletteDitherMethod::none, in, 32, 32, palette), expected)
            << model::rawValue(mode);
    }
}

class EveryPaletteMethod : public ::testing::TestWithParam<PaletteDitherMethod> {};

// Visited by error diffusion, (60,60,60,0) would pass 26.25 on, turning 40 into 808080.
TEST_P(EveryPaletteMethod, TransparentPixelsKeptWithoutErrorAndBadInputIsSafe)
{
    const auto& sixteen = model::palette(ColorMode::sixteenColor);
    const Legend in{{'h', grey(60, 0)}, {'d', grey(40)}};
    const Legend out{{'h', grey(60, 0)}, {'.', hex(0x000000)}, {'G', hex(0x808080)}};
    EXPECT_EQ(converted(GetParam(), test::picture({"hd"}, in), sixteen, out), (Rows{"h."}));
    EXPECT_EQ(convertToPalette(GetParam(), {{100, 100, 100, 200}}, 1, 1, sixteen),
              (Pixels{hex(0x808080, 200)}));

    EXPECT_TRUE(convertToPalette(GetParam(), {}, 0, 4, sixteen).empty());
    // Fewer pixels than width * height are walked as one row, never read past.
    const Pixels five(5, grey(40));
    EXPECT_EQ(convertToPalette(GetParam(), five, 2, 2, sixteen),
              convertToPalette(GetParam(), five, 5, 1, sixteen));
    const Pixels pixels{grey(40), {1, 2, 3, 0}};
    EXPECT_EQ(convertToPalette(GetParam(), pixels, 2, 1, {}), pixels) << "empty palette";
}

INSTANTIATE_TEST_SUITE_P(AllMethods, EveryPaletteMethod,
                         ::testing::ValuesIn(allPaletteDitherMethods),
                         [](const auto& info) { return std::string(rawValue(info.param)); });

TEST(PaletteErrorDiffusion, ChannelsCarryTheirOwnErrors)
{
    // (100, 30, 200): (1,0) carries (88, 43, 232) -> 0000FF, (1,1) (117, 66, 237) -> 808080.
    const Legend out{{'p', hex(0x800080)}, {'b', hex(0x0000FF)}, {'g', hex(0x808080)}};
    EXPECT_EQ(converted(PaletteDitherMethod::floydSteinberg, field(2, 2, {100, 30, 200, 255}),
                        model::palette(ColorMode::sixteenColor), out),
              (Rows{"pb", "pg"}));
}

TEST(PaletteBayer, ClampsEachChannelBeforeChoosing)
{
    // Row 7's offset 31: clamped, (255, 31, 31) is nearer B; unclamped (286, 31, 31) nearer A.
    const std::vector<RGBAColor> palette{{255, 80, 80, 255}, {204, 31, 31, 255}};
    const Legend out{{'A', palette[0]}, {'B', palette[1]}};
    EXPECT_EQ(converted(PaletteDitherMethod::bayer, field(1, 8, {255, 0, 0, 255}), palette, out),
              (Rows{"B", "B", "B", "B", "B", "B", "B", "B"}));
}

}  // namespace
}  // namespace pixmora::convert
