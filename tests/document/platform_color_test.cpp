#include "document/platform_color.h"

#include <gtest/gtest.h>

namespace pixmora::document {
namespace {

using model::RGBAColor;

TEST(PlatformColor, HalvesRoundAwayFromZeroExtendedValuesAreClamped)
{
    // Stored as a half float, 0.5 stays exact: 127.5 must become 128.
    const QColor exactHalf = QColor::fromRgbF(0.5f, 0.0f, 1.0f).convertTo(QColor::ExtendedRgb);
    ASSERT_EQ(exactHalf.redF(), 0.5f);
    EXPECT_EQ(fromPlatformColor(exactHalf), (RGBAColor{128, 0, 255, 255}));
    EXPECT_EQ(fromPlatformColor(QColor::fromRgbF(1.25f, -0.5f, 0.2f)),
              (RGBAColor{255, 0, 51, 255}));
}

}  // namespace
}  // namespace pixmora::document
