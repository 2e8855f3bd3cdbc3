#pragma once

#include "model/pixel_image.h"

namespace pixmora::editor {

// The canvas's window onto the document image. The window connects it to the
// document (whose undo stack records each setImage as one step); tests use a fake.
class DocumentBinding {
public:
    virtual ~DocumentBinding() = default;

    // The document image as it is now.
    virtual model::PixelImage image() const = 0;
    // Replaces the document image: one document change, one undo step.
    virtual void setImage(const model::PixelImage& image) = 0;
};

}  // namespace pixmora::editor
