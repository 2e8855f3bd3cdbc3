#include "document/platform_color.h"

#include "model/pixel_ops.h"

namespace pixmora::document {

model::RGBAColor fromPlatformColor(const QColor& color)
{
    // Extended sRGB already is sRGB; converting would lose nothing but precision.
    QColor srgb = color.spec() == QColor::ExtendedRgb ? color : color.toRgb();
    if (!srgb.isValid()) {
        srgb = color;
    }
    return {model::componentToByte(srgb.redF()), model::componentToByte(srgb.greenF()),
            model::componentToByte(srgb.blueF()), model::componentToByte(srgb.alphaF())};
}

}  // namespace pixmora::document
