#include "document/import_conversion.h"

#include <algorithm>

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

std::optional<PixelImage> twoColor(const QImage& source, std::int64_t w, std::int64_t h,
                                   MonochromeMethod method = MonochromeMethod::fixedThreshold)
{
    return convertImport(source, w, h, ColorMode::twoColor, method, PaletteDitherMethod::none);
}

bool allTransparent(const PixelImage& image)
{
    return std::all_of(image.pixels.begin(), image.pixels.end(),
                       [](RGBAColor c) { return c == model::kTransparent; });
}

TEST(ImportTwoColor, SquareSourceOnATallCanvasFillsTheTopBlockOnly)
{
    // Left half black, right half white.
    QImage source = test::filledImage(100, 100, kWhite);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 50; ++x) {
            source.setPixelColor(x, y, Qt::black);
        }
    }
    const auto image = twoColor(source, 64, 128);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width, 64);
    ASSERT_EQ(image->height, 128);
    const Rows rows = test::toRows(*image, kInk);
    const std::string top = std::string(32, '#') + std::string(32, '.');
    for (int y = 0; y < 128; ++y) {
        EXPECT_EQ(rows[static_cast<std::size_t>(y)], y < 64 ? top : std::string(64, '.'))
            << "row " << y;
    }
}

TEST(ImportTwoColor, PartlyCoveredEdgeRowOutsideTheCoveredBlockKeepsTheMethod)
{
    // 100 x 60 at 104 x 64: drawn height 62.4, covered 104 x 62, all opaque there.
    const auto image = twoColor(test::filledImage(100, 60, kWhite), 104, 64);
    ASSERT_TRUE(image);
    EXPECT_TRUE(allTransparent(*image));  // white is no ink by fixed threshold

    const auto dark = twoColor(test::filledImage(100, 60, {40, 40, 40, 255}), 104, 64);
    const Rows rows = test::toRows(*dark, kInk);
    EXPECT_EQ(rows[61], std::string(104, '#'));
    EXPECT_EQ(rows[63], std::string(104, '.'));
}

// An opaque source whose drawn size ends in .5 or more has its partly covered edge
// row inside the rounded covered block; judging by that row would silhouette the
// whole opaque picture into solid black.
TEST(ImportTwoColor, OpaqueSourceIsNeverSilhouettedByItsOwnAntialiasedEdge)
{
    const QImage source = test::filledImage(100, 13, kWhite);
    const FittedImage fitted = renderFitted(source, 104, 64);  // drawn height 13.52
    ASSERT_EQ(fitted.covered->height, 14);
    ASSERT_LT(fitted.pixels[13 * 104].a, 255);

    const auto image = twoColor(source, 104, 64);
    ASSERT_TRUE(image);
    EXPECT_TRUE(allTransparent(*image));
}

TEST(ImportTwoColor, TranslucentSourceUsesTheAlphaSilhouette)
{
    QImage source = test::filledImage(4, 2, kWhite);
    source.setPixelColor(1, 0, QColor(255, 255, 255, 200));
    source.setPixelColor(2, 0, QColor(0, 0, 0, 100));
    source.setPixelColor(3, 1, QColor(0, 0, 0, 0));
    for (const MonochromeMethod method : convert::allMonochromeMethods) {
        const auto image = twoColor(source, 4, 2, method);
        ASSERT_TRUE(image);
        EXPECT_EQ(test::toRows(*image, kInk), (Rows{"##.#", "###."}));
    }
}

TEST(ImportTwoColor, ChosenMethodDecidesForOpaqueSources)
{
    QImage source(8, 8, QImage::Format_RGB32);
    source.fill(QColor(128, 128, 128));  // darkness 127: below the fixed threshold
    EXPECT_TRUE(allTransparent(*twoColor(source, 8, 8, MonochromeMethod::fixedThreshold)));
    // Every darkness equal: Otsu's threshold is 0, so every pixel is ink.
    EXPECT_EQ(test::toRows(*twoColor(source, 8, 8, MonochromeMethod::otsuThreshold), kInk),
              Rows(8, "########"));
}

TEST(ImportPalette, AlphaIsThresholdedAt128)
{
    QImage source(2, 1, QImage::Format_RGBA8888);
    source.setPixelColor(0, 0, QColor(255, 0, 0, 127));
    source.setPixelColor(1, 0, QColor(255, 0, 0, 128));
    const auto image = convertImport(source, 2, 1, ColorMode::sixteenColor,
                                     MonochromeMethod::fixedThreshold, PaletteDitherMethod::none);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, (std::vector<RGBAColor>{model::kTransparent, {255, 0, 0, 255}}));
}

TEST(ImportPalette, DitherMethodAndModePaletteAreHonoured)
{
    const QImage grey = test::filledImage(8, 8, {100, 100, 100, 255});
    const auto convert = [&](ColorMode mode, PaletteDitherMethod dither) {
        return *convertImport(grey, 8, 8, mode, MonochromeMethod::fixedThreshold, dither);
    };
    const test::Legend legend{
        {'g', {128, 128, 128, 255}}, {'k', kBlack}, {'6', {102, 102, 102, 255}}};

    EXPECT_EQ(test::toRows(convert(ColorMode::sixteenColor, PaletteDitherMethod::none), legend),
              Rows(8, "gggggggg"));
    const Rows diffused =
        test::toRows(convert(ColorMode::sixteenColor, PaletteDitherMethod::floydSteinberg), legend);
    const auto blacks = std::count_if(diffused.begin(), diffused.end(), [](const std::string& row) {
        return row.find('k') != std::string::npos;
    });
    EXPECT_GT(blacks, 0);
    EXPECT_EQ(test::toRows(convert(ColorMode::webSafe256, PaletteDitherMethod::none), legend),
              Rows(8, "66666666"));
}

TEST(ImportFailures, NoResampledPixelsMeansNoImage)
{
    const QImage source = test::filledImage(4, 4, kWhite);
    EXPECT_FALSE(twoColor(QImage(), 8, 8));
    EXPECT_FALSE(twoColor(source, 0, 8));
    EXPECT_FALSE(twoColor(source, 8, 0));
    EXPECT_FALSE(convertImportData(test::asBytes("no image"), 8, 8, ColorMode::webSafe256,
                                   MonochromeMethod::fixedThreshold, PaletteDitherMethod::none));
}

TEST(PasteConversion, TwoColorThresholdsOpaqueImagesAndSilhouettesTheRest)
{
    const test::Legend in{{'a', {127, 127, 127, 255}},
                          {'b', {128, 128, 128, 255}},
                          {'c', {128, 128, 128, 254}},
                          {'d', {0, 0, 0, 127}}};
    EXPECT_EQ(
        test::toRows(convertPastedImage(test::picture({"ab"}, in), ColorMode::twoColor), kInk),
        Rows{"#."});
    // One alpha below 255 switches to the silhouette: colour no longer matters.
    EXPECT_EQ(
        test::toRows(convertPastedImage(test::picture({"abcd"}, in), ColorMode::twoColor), kInk),
        Rows{"###."});
    EXPECT_EQ(convertPastedImage(PixelImage(), ColorMode::twoColor), PixelImage());
}

TEST(PasteConversion, PaletteModesThresholdAlphaThenTakeTheNearestColour)
{
    const PixelImage pasted(3, 1, {{250, 10, 10, 128}, {250, 10, 10, 127}, {10, 20, 30, 255}});
    EXPECT_EQ(convertPastedImage(pasted, ColorMode::sixteenColor).pixels,
              (std::vector<RGBAColor>{{255, 0, 0, 255}, model::kTransparent, kBlack}));
    EXPECT_EQ(convertPastedImage(pasted, ColorMode::webSafe256).pixels,
              (std::vector<RGBAColor>{{255, 0, 0, 255}, model::kTransparent, {0, 0, 51, 255}}));
    EXPECT_EQ(convertPastedImage(PixelImage(2, 2, {kBlack}), ColorMode::webSafe256), PixelImage());
}

}  // namespace
}  // namespace pixmora::document
