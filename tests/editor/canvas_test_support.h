#pragma once

#include <optional>
#include <utility>

#include <QPointF>

#include "../model/pixel_picture.h"
#include "editor/canvas_controller.h"
#include "editor/clipboard_port.h"
#include "editor/document_binding.h"
#include "editor/editor_ui_state.h"

#include <gtest/gtest.h>

namespace pixmora::test {

using editor::CanvasController;
using editor::CanvasKey;
using editor::EditorTool;
using editor::MouseButton;
using model::PixelImage;
using model::PixelRect;
using model::RGBAColor;

inline constexpr RGBAColor kBlack{0, 0, 0, 255};
inline constexpr RGBAColor kClear{0, 0, 0, 0};
inline constexpr RGBAColor kRed{255, 0, 0, 255};
inline constexpr RGBAColor kBlue{0, 0, 255, 255};

inline const Legend legend{{'.', kClear}, {'#', kBlack}, {'r', kRed}, {'b', kBlue}};

// The given top rows of an 8 x 8 picture, the rest transparent.
inline Rows padded(Rows rows)
{
    rows.resize(8, "........");
    return rows;
}

// Announces its own writes too, as the real document does.
class FakeDocument final : public editor::DocumentBinding {
public:
    PixelImage current;
    int writes = 0;
    CanvasController* listener = nullptr;

    PixelImage image() const override { return current; }
    void setImage(const PixelImage& image) override
    {
        ++writes;
        changeFromOutside(image);
    }
    void changeFromOutside(const PixelImage& image)
    {
        current = image;
        if (listener != nullptr) {
            listener->documentChangedExternally();
        }
    }
};

class FakeClipboard final : public editor::ClipboardPort {
public:
    std::optional<PixelImage> content;

    void writeImage(const PixelImage& image) override { put(image); }
    std::optional<PixelImage> readImage() const override { return content; }
    bool canReadImage() const override { return content.has_value(); }
    void put(const PixelImage& image)
    {
        content = image;
        emit changed();
    }
};

class CanvasFixture : public ::testing::Test {
protected:
    static constexpr double s = 10.0;

    editor::EditorUIState state;
    FakeDocument document;
    FakeClipboard clipboard;
    CanvasController canvas;

    CanvasFixture()
    {
        document.current = PixelImage(8, 8);
        document.listener = &canvas;
        canvas.setPixelSize(s);
        canvas.setUIState(&state);
        canvas.setDocumentBinding(&document);
        canvas.setClipboard(&clipboard);
    }

    void setImage(const Rows& rows) { document.current = picture(rows, legend); }
    Rows documentRows() const { return toRows(document.current, legend); }

    static QPointF centre(std::int64_t x, std::int64_t y)
    {
        return {(static_cast<double>(x) + 0.5) * s, (static_cast<double>(y) + 0.5) * s};
    }
    void press(int x, int y) { canvas.mousePress(centre(x, y), MouseButton::left, false); }
    void drag(int x, int y) { canvas.mouseDrag(centre(x, y), MouseButton::left, false); }
    void release(int x, int y) { canvas.mouseRelease(centre(x, y), MouseButton::left, false); }
    void click(int x, int y)
    {
        press(x, y);
        release(x, y);
    }
    using Cell = std::pair<int, int>;
    void stroke(Cell a, Cell b)
    {
        press(a.first, a.second);
        drag(b.first, b.second);
        release(b.first, b.second);
    }
};

}  // namespace pixmora::test
