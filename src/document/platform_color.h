#pragma once

#include <QColor>

#include "model/rgba_color.h"

namespace pixmora::document {

// The colour's sRGB components (its own when it cannot be converted), each rounded
// to 0..255 with halves away from zero.
model::RGBAColor fromPlatformColor(const QColor& color);

}  // namespace pixmora::document
