#include "document/import_conversion.h"

#include <gtest/gtest.h>

#include "document/raster_bridge.h"
#include "document_fixtures.h"

namespace pixmora::document {
namespace {

using convert::MonochromeMethod;
using convert::PaletteDitherMethod;
using model::ColorMode;
using model::PixelImage;
using model::RGBAColor;
using test::Rows;

constexpr RGBAColor kWhite{255, 255, 255, 255};
constexpr RGBAColor kBlack{0, 0, 0, 255};
const test::Legend kInk{{'#', model::kOpaqueBlack}, {'.', model::kTransparent}};

std::optional<PixelImage> imported(const QImage& source, std::int64_t w, std::int64_t h,
                                   ColorMode mode = ColorMode::twoColor,
                                   MonochromeMethod method = MonochromeMethod::fixedThreshold,
                                   PaletteDitherMethod dither = PaletteDitherMethod::none)
{
    return convertImport(source, w, h, mode, method, dither);
}

Rows inkOf(const std::optional<PixelImage>& image)
{
    EXPECT_TRUE(image);
    return image ? test::toRows(*image, kInk) : Rows();
}

TEST(ImportTwoColor, PartlyCoveredEdgeRowOutsideTheCoveredBlockKeepsTheMethod)
{
    // 100 x 60 at 104 x 64: drawn height 62.4, covered 104 x 62, all opaque there.
    EXPECT_EQ(inkOf(imported(test::filledImage(100, 60, kWhite), 104, 64)),
              Rows(64, std::string(104, '.')));  // white is no ink by fixed threshold
    const Rows dark = inkOf(imported(test::filledImage(100, 60, {40, 40, 40, 255}), 104, 64));
    EXPECT_EQ(dark[61], std::string(104, '#'));
    EXPECT_EQ(dark[63], std::string(104, '.'));
}

// An opaque source drawn 13.52 high has its partly covered edge row inside the rounded
// covered block; judging by that row would silhouette the picture into solid black.
TEST(ImportTwoColor, OpaqueSourceIsNeverSilhouettedByItsOwnAntialiasedEdge)
{
    const QImage source = test::filledImage(100, 13, kWhite);
    const FittedImage fitted = renderFitted(source, 104, 64);  // drawn height 13.52
    ASSERT_EQ(fitted.covered->height, 14);
    ASSERT_LT(fitted.pixels[13 * 104].a, 255);
    EXPECT_EQ(inkOf(imported(source, 104, 64)), Rows(64, std::string(104, '.')));
}

TEST(ImportTwoColor, TranslucentSourceUsesTheAlphaSilhouetteWhateverTheMethod)
{
    QImage source = test::filledImage(4, 2, kWhite);
    source.setPixelColor(1, 0, QColor(255, 255, 255, 200));
    source.setPixelColor(2, 0, QColor(0, 0, 0, 100));
    source.setPixelColor(3, 1, QColor(0, 0, 0, 0));
    for (const MonochromeMethod method : convert::allMonochromeMethods) {
        EXPECT_EQ(inkOf(imported(source, 4, 2, ColorMode::twoColor, method)),
                  (Rows{"##.#", "###."}));
    }
}

TEST(ImportPalette, AlphaIsThresholdedAt128)
{
    QImage red = test::filledImage(2, 1, {255, 0, 0, 127});
    red.setPixelColor(1, 0, QColor(255, 0, 0, 128));
    EXPECT_EQ(imported(red, 2, 1, ColorMode::sixteenColor).value().pixels,
              (std::vector<RGBAColor>{model::kTransparent, {255, 0, 0, 255}}));
}

TEST(PasteConversion, TwoColorThresholdsOrSilhouettesPaletteModesThresholdAlphaAndSnap)
{
    const test::Legend in{{'a', {127, 127, 127, 255}}, {'b', {128, 128, 128, 255}},
                          {'c', {128, 128, 128, 254}}, {'d', {0, 0, 0, 127}}};
    const auto pasted = [&in](const Rows& rows) {
        return test::toRows(convertPastedImage(test::picture(rows, in), ColorMode::twoColor), kInk);
    };
    EXPECT_EQ(pasted({"ab"}), Rows{"#."});
    // One alpha below 255 switches to the silhouette: colour no longer matters.
    EXPECT_EQ(pasted({"abcd"}), Rows{"###."});
    const PixelImage colours(3, 1, {{250, 10, 10, 128}, {250, 10, 10, 127}, {10, 20, 30, 255}});
    EXPECT_EQ(convertPastedImage(colours, ColorMode::sixteenColor).pixels,
              (std::vector<RGBAColor>{{255, 0, 0, 255}, model::kTransparent, kBlack}));
}

}  // namespace
}  // namespace pixmora::document
