// Random gestures with undo and redo between and during them, on a document-like undo stack.

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "canvas_test_support.h"
#include "editor/canvas_geometry.h"
#include "model/color_mode.h"

namespace pixmora::test {
namespace {

using model::ColorMode;

class UndoHost final : public editor::DocumentBinding {
public:
    CanvasController* listener = nullptr;
    int writes = 0;
    int outsideChanges = 0;
    std::string problem;

    explicit UndoHost(PixelImage original) { m_steps.push_back(std::move(original)); }

    PixelImage image() const override { return m_steps[m_index]; }
    void setImage(const PixelImage& image) override
    {
        if (m_notifying) {
            problem = "the canvas wrote while being told of an outside change";
        } else if (image.pixels == m_steps[m_index].pixels) {
            problem = "a write changed no pixel";
        }
        m_steps.resize(m_index + 1);  // a new step drops the redo tail
        m_steps.push_back(image);
        ++m_index;
        ++writes;
        notify();
    }
    bool undo() { return m_index > 0 && moveTo(m_index - 1); }
    bool redo() { return m_index + 1 < m_steps.size() && moveTo(m_index + 1); }
    const PixelImage& newest() const { return m_steps.back(); }

private:
    bool moveTo(std::size_t index)
    {
        m_index = index;
        ++outsideChanges;
        notify();
        return true;
    }
    void notify()
    {
        const bool was = std::exchange(m_notifying, true);
        listener->documentChangedExternally();
        m_notifying = was;
    }

    std::vector<PixelImage> m_steps;
    std::size_t m_index = 0;
    bool m_notifying = false;
};

// Keys and edit commands given during a drag must wait for its end.
enum class StepKind { mouse, key, command };

class PropertyRun {
public:
    explicit PropertyRun(std::uint32_t seed)
        : m_rng(seed),
          m_original(randomDocument(3 + below(18), 3 + below(18))),  // either order will do
          m_host(m_original)
    {
        constexpr double sizes[] = {1.0, 6.0, 16.0};
        m_host.listener = &m_canvas;
        m_canvas.setPixelSize(sizes[below(3)]);
        m_canvas.setColorMode(randomMode());
        m_canvas.setUIState(&m_state);
        m_canvas.setDocumentBinding(&m_host);
        m_canvas.setClipboard(&m_clipboard);
    }

    // Empty when every property held; otherwise the first that failed.
    std::string run(int operations)
    {
        for (int i = 0; i < operations; ++i) {
            chance(40) ? randomGesture() : randomCommand();
            finishOperation();
        }
        apply(StepKind::command, [this] { m_canvas.commitPendingFloatingSelection(); });
        finishOperation();
        undoAndRedoEverything();
        return m_problem;
    }

private:
    int below(int n) { return static_cast<int>(m_rng() % static_cast<std::uint32_t>(n)); }
    bool chance(int percent) { return below(100) < percent; }
    ColorMode randomMode() { return model::allColorModes[static_cast<std::size_t>(below(3))]; }

    RGBAColor randomPaletteColor()
    {
        if (chance(15)) {
            return kClear;
        }
        const auto& palette = model::palette(randomMode());
        return palette[static_cast<std::size_t>(below(static_cast<int>(palette.size())))];
    }

    // Three flat areas meeting at a random point, so fills and selections meet edges.
    PixelImage randomDocument(int w, int h)
    {
        PixelImage image(w, h);
        const RGBAColor colours[] = {randomPaletteColor(), randomPaletteColor(),
                                     randomPaletteColor()};
        const int cx = below(w);
        const int cy = below(h);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                image.at(x, y) = colours[x < cx ? 0 : y < cy ? 1 : 2];
            }
        }
        return image;
    }

    // On a handle of the selection, beside the image, or in the image.
    QPointF randomPoint()
    {
        const double s = m_canvas.pixelSize();
        const auto& floating = m_canvas.floatingSelection();
        const auto rect = floating ? std::optional(floating->rect) : m_state.selectionRect();
        const auto w = static_cast<int>(m_original.width);
        const auto h = static_cast<int>(m_original.height);
        const double jitter = below(100) / 100.0;
        const int r = below(100);
        if (rect && r < 25) {
            return editor::handlePoints(*rect, s)[static_cast<std::size_t>(below(8))]
                 + QPointF(below(9) - 4, below(9) - 4);
        }
        if (r < 40) {
            return {(below(3 * w) - w + jitter) * s, (below(3 * h) - h + jitter) * s};
        }
        return {(below(w) + jitter) * s, (below(h) + jitter) * s};
    }

    void outside() { chance(70) ? m_host.undo() : m_host.redo(); }

    void randomGesture()
    {
        using MouseCall = void (CanvasController::*)(QPointF, MouseButton, bool);
        const MouseButton button = chance(25) ? MouseButton::right : MouseButton::left;
        bool shift = chance(30);
        QPointF at = randomPoint();
        const auto mouse = [&](MouseCall call) {
            apply(StepKind::mouse, [&] { (m_canvas.*call)(at, button, shift); });
        };
        mouse(&CanvasController::mousePress);
        for (int drags = below(5); drags > 0; --drags) {
            if (chance(15)) {
                shift = !shift;
                if (chance(50)) {  // else only the next drag tells
                    apply(StepKind::mouse, [&] { m_canvas.shiftChanged(shift); });
                }
            }
            if (chance(6)) {
                constexpr CanvasKey keys[] = {CanvasKey::cancel, CanvasKey::cancel,
                                              CanvasKey::commit, CanvasKey::deleteSelection};
                const CanvasKey key = keys[below(4)];
                apply(StepKind::key, [&] { m_canvas.keyPress(key); });
            }
            if (chance(4)) {
                apply(StepKind::key, [&] { chance(50) ? m_canvas.paste() : m_canvas.cut(); });
            }
            if (chance(6)) {
                outside();
            }
            at = randomPoint();
            mouse(&CanvasController::mouseDrag);
        }
        mouse(&CanvasController::mouseRelease);
    }

    void randomCommand()
    {
        const auto w = static_cast<int>(m_original.width);
        const auto h = static_cast<int>(m_original.height);
        constexpr CanvasKey keys[] = {CanvasKey::commit, CanvasKey::deleteSelection,
                                      CanvasKey::cancel, CanvasKey::other};
        const std::function<void()> choices[] = {
            [&] { outside(); },
            [&] { m_state.setCurrentTool(editor::allEditorTools.at(below(7))); },
            [&] { m_state.setCurrentTool(EditorTool::select); },
            [&] { m_state.setCurrentColor(randomPaletteColor()); },
            [&] { m_state.setSecondaryColor(randomPaletteColor()); },
            [&] { m_state.setShapeStrokeEnabled(!m_state.shapeStrokeEnabled()); },
            [&] { m_state.setShapeFillEnabled(!m_state.shapeFillEnabled()); },
            [&] { m_canvas.setColorMode(randomMode()); },
            [&] { m_canvas.keyPress(keys[below(4)]); },
            [&] { m_canvas.keyPress(keys[below(4)]); },
            [&] { m_canvas.paste(); },
            [&] { m_canvas.copy(); },
            [&] { m_canvas.cut(); },
            [&] { m_clipboard.put(randomDocument(1 + below(w + 4), 1 + below(h + 4))); },
            [&] { m_canvas.commitPendingFloatingSelection(); }};
        apply(StepKind::command, choices[below(static_cast<int>(std::size(choices)))]);
    }

    void fail(const std::string& what) { m_problem = m_problem.empty() ? what : m_problem; }

    void apply(StepKind kind, const std::function<void()>& call)
    {
        const int before = m_host.writes;
        call();
        const int delta = m_host.writes - before;
        if (delta > 1) {
            fail("one call wrote the document " + std::to_string(delta) + " times");
        }
        if (kind == StepKind::key && delta > 0) {
            fail("a key or command during a gesture changed the document");
        }
        m_operationWrites += delta;
        if (kind == StepKind::mouse && delta > 0 && m_host.outsideChanges != m_outsideBefore) {
            fail("a gesture interrupted by an outside change still wrote the document");
        }
    }

    void finishOperation()
    {
        if (m_operationWrites > 1) {
            fail("one gesture or command wrote the document " + std::to_string(m_operationWrites)
                 + " times");
        }
        fail(m_host.problem);
        m_operationWrites = 0;
        m_outsideBefore = m_host.outsideChanges;
    }

    // Undo back to the first image, redo to the newest: the canvas follows, writing nothing.
    void undoAndRedoEverything()
    {
        const PixelImage last = m_host.newest();
        const int writes = m_host.writes;
        bool followed = true;
        const auto walk = [&](bool (UndoHost::*move)()) {
            while ((m_host.*move)()) {
                followed = followed && m_canvas.displayedImage() == m_host.image();
            }
        };
        walk(&UndoHost::undo);
        if (m_host.image() != m_original) {
            fail("undoing every step did not give the original image back");
        }
        walk(&UndoHost::redo);
        if (m_host.image() != last || !followed || m_host.writes != writes) {
            fail("redo did not reach the final image, or the canvas wrote or lagged behind");
        }
    }

    std::mt19937 m_rng;
    PixelImage m_original;
    UndoHost m_host;
    editor::EditorUIState m_state;
    FakeClipboard m_clipboard;
    CanvasController m_canvas;
    std::string m_problem;
    int m_operationWrites = 0;
    int m_outsideBefore = 0;
};

TEST(CanvasProperty, GesturesWriteOnceAndUndoToTheOriginalAndRedoToTheEnd)
{
    for (std::uint32_t seed = 1; seed <= 100; ++seed) {
        EXPECT_EQ(PropertyRun(seed).run(60), "") << "seed " << seed;
    }
}

}  // namespace
}  // namespace pixmora::test
