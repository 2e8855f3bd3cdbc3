#pragma once

#include "model/color_mode.h"
#include "model/pixel_image.h"

namespace pixmora::editor {

// A pasted image in the document's colour mode, same size: twoColor by fixed
// threshold when fully opaque, otherwise as an alpha silhouette; the palette modes
// by alpha threshold and nearest palette colour without dithering.
model::PixelImage convertPastedImage(const model::PixelImage& image, model::ColorMode mode);

}  // namespace pixmora::editor
