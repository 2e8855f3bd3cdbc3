#include "document/import_conversion.h"

#include <gtest/gtest.h>

#include "document/raster_bridge.h"
#include "document_fixtures.h"

namespace pixmora::document {
namespace {

using convert::MonochromeMethod;
using model::ColorMode;
using model::RGBAColor;
using test::Rows;

constexpr RGBAColor kWhite{255, 255, 255, 255};
const test::Legend kInk{{'#', model::kOpaqueBlack}, {'.', model::kTransparent}};
const Rows kNoInk(64, std::string(104, '.'));

Rows twoColorImport(const QImage& source, std::int64_t width, std::int64_t height,
                    MonochromeMethod method = MonochromeMethod::fixedThreshold)
{
    const auto image = convertImport(source, width, height, ColorMode::twoColor, method,
                                     convert::PaletteDitherMethod::none);
    EXPECT_TRUE(image);
    return image ? test::toRows(*image, kInk) : Rows();
}

// 100 x 60 at 104 x 64 is drawn 62.4 high, its partly covered edge row outside the covered
// block; drawn 13.52 high, that row lies inside the rounded block, and judging by it would
// silhouette the opaque picture into solid black.
TEST(ImportTwoColor, OnlyTranslucentPixelsInsideTheCoveredBlockMakeTheAlphaSilhouette)
{
    EXPECT_EQ(twoColorImport(test::filledImage(100, 60, kWhite), 104, 64), kNoInk);
    const QImage source = test::filledImage(100, 13, kWhite);
    EXPECT_EQ(renderFitted(test::filledImage(4, 2, kWhite), 9, 9).covered->height, 5);  // 4.5
    const FittedImage fitted = renderFitted(source, 104, 64);
    ASSERT_EQ(fitted.covered->height, 14);
    ASSERT_LT(fitted.pixels[13 * 104].a, 255);
    EXPECT_EQ(twoColorImport(source, 104, 64), kNoInk);
    QImage translucent = test::filledImage(3, 1, kWhite);
    translucent.setPixelColor(1, 0, QColor(0, 0, 0, 100));
    translucent.setPixelColor(2, 0, QColor(255, 255, 255, 200));
    for (const MonochromeMethod method : convert::allMonochromeMethods) {
        EXPECT_EQ(twoColorImport(translucent, 3, 1, method), (Rows{"#.#"}));
    }
}

// One alpha below 255 switches to the silhouette: colour no longer matters.
TEST(PasteConversion, TwoColorThresholdsOrSilhouettesPaletteModesThresholdAlphaAndSnap)
{
    const test::Legend in{{'a', {127, 127, 127, 255}}, {'b', {128, 128, 128, 255}},
                          {'c', {128, 128, 128, 254}}, {'d', {0, 0, 0, 127}}};
    const auto pasted = [&in](const Rows& rows) {
        return test::toRows(convertPastedImage(test::picture(rows, in), ColorMode::twoColor), kInk);
    };
    EXPECT_EQ(pasted({"ab"}), Rows{"#."});
    EXPECT_EQ(pasted({"abcd"}), Rows{"###."});
    const model::PixelImage colours(2, 1, {{250, 10, 10, 128}, {250, 10, 10, 127}});
    EXPECT_EQ(convertPastedImage(colours, ColorMode::sixteenColor).pixels,
              (std::vector<RGBAColor>{{255, 0, 0, 255}, model::kTransparent}));
}

}  // namespace
}  // namespace pixmora::document
