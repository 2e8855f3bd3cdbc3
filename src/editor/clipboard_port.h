#pragma once

#include <optional>

#include <QObject>

#include "model/pixel_image.h"

namespace pixmora::editor {

// The clipboard as the canvas sees it. SystemClipboard is the real one; tests use
// an in-memory fake. Implementations emit changed() whenever what canReadImage()
// answers may have changed.
class ClipboardPort : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Replaces the clipboard's contents with the image, as PNG and TIFF of the
    // same pixels; a format that fails to encode is left out.
    virtual void writeImage(const model::PixelImage& image) = 0;
    // The clipboard image: PNG first, then TIFF, then any other decodable image
    // type offered; nothing when none decodes.
    virtual std::optional<model::PixelImage> readImage() const = 0;
    // Whether the clipboard offers image data at all (no decoding).
    virtual bool canReadImage() const = 0;

signals:
    void changed();
};

}  // namespace pixmora::editor
