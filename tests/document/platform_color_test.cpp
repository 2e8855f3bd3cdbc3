#include "document/platform_color.h"

#include <gtest/gtest.h>

namespace pixmora::document {
namespace {

using model::RGBAColor;

TEST(PlatformColor, ComponentsRoundHalvesAwayFromZero)
{
    // Stored as a half float, 0.5 stays exact: 127.5 must become 128.
    const QColor exactHalf = QColor::fromRgbF(0.5f, 0.0f, 1.0f).convertTo(QColor::ExtendedRgb);
    ASSERT_EQ(exactHalf.redF(), 0.5f);
    EXPECT_EQ(fromPlatformColor(exactHalf), (RGBAColor{128, 0, 255, 255}));
    EXPECT_EQ(fromPlatformColor(QColor::fromRgbF(0.5f, 0.25f, 0.75f, 0.5f)),
              (RGBAColor{128, 64, 191, 128}));
    EXPECT_EQ(fromPlatformColor(QColor(12, 34, 56, 78)), (RGBAColor{12, 34, 56, 78}));
}

TEST(PlatformColor, OtherColourModelsAreConvertedToRgbFirst)
{
    EXPECT_EQ(fromPlatformColor(QColor::fromHsv(0, 255, 255)), (RGBAColor{255, 0, 0, 255}));
    EXPECT_EQ(fromPlatformColor(QColor::fromHslF(240.0f / 360.0f, 1.0f, 0.5f, 10.0f / 255.0f)),
              (RGBAColor{0, 0, 255, 10}));
    EXPECT_EQ(fromPlatformColor(QColor::fromCmyk(0, 0, 0, 255)), (RGBAColor{0, 0, 0, 255}));
}

TEST(PlatformColor, ExtendedComponentsAreClamped)
{
    EXPECT_EQ(fromPlatformColor(QColor::fromRgbF(1.25f, -0.5f, 0.2f)),
              (RGBAColor{255, 0, 51, 255}));
}

}  // namespace
}  // namespace pixmora::document
