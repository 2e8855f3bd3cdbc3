#pragma once

#include "editor/clipboard_port.h"

namespace pixmora::editor {

// ClipboardPort over the application's QClipboard. Needs a QGuiApplication.
class SystemClipboard final : public ClipboardPort {
    Q_OBJECT

public:
    explicit SystemClipboard(QObject* parent = nullptr);

    void writeImage(const model::PixelImage& image) override;
    std::optional<model::PixelImage> readImage() const override;
    bool canReadImage() const override;
};

}  // namespace pixmora::editor
