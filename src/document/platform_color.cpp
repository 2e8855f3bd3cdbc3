#include "document/platform_color.h"

#include "model/pixel_ops.h"

namespace pixmora::document {

model::RGBAColor fromPlatformColor(const QColor& color)
{
    // HSV, HSL, CMYK and extended sRGB all become plain sRGB; components outside
    // 0...1 clamp here exactly as the byte conversion would clamp them.
    QColor srgb = color.toRgb();
    if (!srgb.isValid()) {
        srgb = color;
    }
    return {model::componentToByte(srgb.redF()), model::componentToByte(srgb.greenF()),
            model::componentToByte(srgb.blueF()), model::componentToByte(srgb.alphaF())};
}

}  // namespace pixmora::document
