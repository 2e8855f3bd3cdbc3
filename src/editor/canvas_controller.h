#pragma once

#include <cstdint>
#include <optional>
#include <variant>

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QSizeF>

#include "editor/canvas_geometry.h"
#include "editor/clipboard_port.h"
#include "editor/document_binding.h"
#include "editor/editor_ui_state.h"
#include "model/color_mode.h"
#include "model/pixel_image.h"
#include "model/pixel_rect.h"

namespace pixmora::editor {

enum class MouseButton { left, right };

// The keys the canvas answers; the widget maps Return/Enter to commit,
// Backspace/Delete to deleteSelection, Escape to cancel, everything else to other.
enum class CanvasKey { commit, deleteSelection, cancel, other };

// A rectangle, ellipse or line being dragged out.
struct ShapeDrag {
    model::PixelPoint start;
    bool useSecondaryColor = false;
};
// Empty when no shape drag is in progress.
using ShapeDragState = std::optional<ShapeDrag>;

namespace selection_drag {
struct None {
};
struct Creating {
    model::PixelPoint start;
};
struct MovingFloat {
    model::PixelPoint startPixel;
    model::PixelRect originalRect;
};
struct ResizingFloat {
    ResizeHandle handle = ResizeHandle::bottomRight;
    model::PixelPoint startPixel;
    model::PixelRect originalRect;
    model::PixelImage originalImage;
};
}  // namespace selection_drag

// What the current select-tool drag is doing.
using SelectionDragState =
    std::variant<selection_drag::None, selection_drag::Creating, selection_drag::MovingFloat,
                 selection_drag::ResizingFloat>;

// Lifted or pasted pixels floating above the image, drawn and committed one to one
// from rect's top-left corner. A pasted image keeps its full size even when rect is
// clipped to the canvas.
struct FloatingSelection {
    model::PixelImage image;
    model::PixelRect rect;
    std::optional<model::PixelRect> originalRect;  // none for a pasted image
};

// What the overlay draws over the pixels (at pixel sizes of 6 and up). floating
// points into the controller and is valid until its next event or command.
struct SelectionOverlay {
    const FloatingSelection* floating = nullptr;  // drawn first, one to one
    std::optional<model::PixelRect> outline;
    bool showHandles = false;
};

// The canvas without a widget: tools, stroke copies, selection and floating
// selection, keys and clipboard commands. Events arrive as view points (origin
// top-left, y down) with button and Shift state. The document is read and written
// only through the binding, and written at most once per gesture, at its end, and
// only when a pixel changed.
class CanvasController : public QObject {
    Q_OBJECT

public:
    explicit CanvasController(QObject* parent = nullptr);
    ~CanvasController() override;

    // --- wiring (pointers are not owned; pass nullptr to detach) ---
    void setUIState(EditorUIState* state);
    EditorUIState* uiState() const { return m_uiState; }
    void setDocumentBinding(DocumentBinding* binding);
    DocumentBinding* documentBinding() const { return m_binding; }
    void setClipboard(ClipboardPort* clipboard);
    ClipboardPort* clipboard() const { return m_clipboard; }
    void setPixelSize(double pixelSize);
    double pixelSize() const { return m_pixelSize; }
    void setInteractive(bool interactive);
    bool isInteractive() const { return m_isInteractive; }
    void setColorMode(model::ColorMode mode);
    model::ColorMode colorMode() const { return m_colorMode; }

    // --- events ---
    void mousePress(QPointF viewPoint, MouseButton button, bool shift);
    void mouseDrag(QPointF viewPoint, MouseButton button, bool shift);
    void mouseRelease(QPointF viewPoint, MouseButton button, bool shift);
    // Redraws a shape being dragged with the new Shift state; false when there is
    // none, so the widget passes the event on.
    bool shiftChanged(bool shift);
    // False when the key is not the canvas's (other keys, or a preview canvas).
    // While a mouse gesture is under way only Escape acts, cancelling a shape or a
    // move or resize of floating pixels.
    bool keyPress(CanvasKey key);
    // Between a press and its release; the other keys and the edit commands wait for
    // its end, so they never act on a half-made stroke or drag.
    bool isGestureActive() const { return m_gestureActive; }

    // --- edit commands (ignored during a gesture) ---
    void copy();
    void cut();
    void paste();
    bool canCopy() const;
    bool canCut() const;
    bool canPaste() const;

    // Commits the floating selection when the tool has left select. Idempotent; runs
    // by itself on every change of the editor state, hosts may call it too.
    void syncTool();
    // Stamps a pending floating selection and writes it (the window calls this
    // before saving and closing). Nothing without one.
    void commitPendingFloatingSelection();
    // Undo and Redo wait for the end of a gesture, as the edit commands do; true when
    // the history's own step should run. While pixels float, Undo's first step puts
    // them back as Escape does (a pasted image vanishes): they are not in the
    // history yet.
    bool prepareUndo();
    bool prepareRedo() const { return !m_gestureActive; }
    // The document image was changed by someone else (undo, redo, another writer):
    // pending gestures and floating selections are dropped so the change shows and
    // is never overwritten by a stale copy. Ignored while the canvas itself writes,
    // and when the document still equals the image the pending edit began from (a
    // late echo of the canvas's own write).
    void documentChangedExternally();

    // --- what the view draws ---
    // The working copy while an edit is pending, otherwise the document image.
    std::optional<model::PixelImage> displayedImage() const;
    // (width x s, height x s) of the displayed image; empty without one.
    QSizeF intrinsicSize() const;
    SelectionOverlay selectionOverlay() const;
    bool needsMarchingAnts() const;
    void advanceMarchingAnts();
    double marchingAntsPhase() const { return m_marchingAntsPhase; }
    // The handle under a view point when the canvas is interactive, the tool is
    // select and a floating selection or selection exists.
    std::optional<ResizeHandle> handleAt(QPointF viewPoint) const;

    // --- state, read by the view and by tests ---
    const std::optional<model::PixelImage>& strokeOriginal() const { return m_strokeOriginal; }
    const std::optional<model::PixelImage>& workingImage() const { return m_workingImage; }
    const ShapeDragState& shapeDragState() const { return m_shapeDragState; }
    const std::optional<model::PixelPoint>& lastShapeDragPixel() const
    {
        return m_lastShapeDragPixel;
    }
    const SelectionDragState& selectionDragState() const { return m_selectionDragState; }
    const std::optional<FloatingSelection>& floatingSelection() const
    {
        return m_floatingSelection;
    }
    EditorTool lastSyncedTool() const { return m_lastSyncedTool; }

signals:
    // Something shown changed: repaint, refresh the ants timer and cursors.
    void redisplayRequested();
    // The displayed image's size times the pixel size changed.
    void intrinsicSizeChanged();
    // canCopy(), canCut() or canPaste() may answer differently now.
    void editStateChanged();

private:
    std::optional<model::PixelPoint> clampedPixelForEvent(QPointF viewPoint) const;
    std::optional<model::PixelPoint> pixelForEvent(QPointF viewPoint) const;
    std::optional<model::PixelImage> documentImage() const;

    void beginStroke();
    void finishStroke();
    void writeDocument(const model::PixelImage& image);

    void applyPointTool(QPointF viewPoint, bool useSecondaryColor);
    void bucketFill(model::PixelPoint pixel, model::RGBAColor color);
    void startShapeDrag(QPointF viewPoint, bool useSecondaryColor, bool shift);
    void continueShapeDrag(QPointF viewPoint, bool shift);
    void endShapeDrag();
    void updateShapePreview(model::PixelPoint end, bool constrain);
    void cancelShapeDrag();

    void selectionMouseDown(QPointF viewPoint);
    void selectionMouseDragged(QPointF viewPoint, bool shift);
    void selectionMouseUp();
    std::optional<model::PixelImage> liftSelection(const model::PixelRect& rect);
    void commitFloatingSelection();
    void cancelFloatingSelection();

    void deleteSelection();
    void deleteFloatingSelection();
    void cancel();
    void copyToClipboard();

    void redisplay();
    void refreshEditState();
    void onUIStateChanged();
    void onClipboardChanged();

    QPointer<EditorUIState> m_uiState;
    DocumentBinding* m_binding = nullptr;
    QPointer<ClipboardPort> m_clipboard;
    double m_pixelSize = 16.0;
    bool m_isInteractive = true;
    model::ColorMode m_colorMode = model::ColorMode::webSafe256;

    SelectionDragState m_selectionDragState;
    std::optional<FloatingSelection> m_floatingSelection;
    double m_marchingAntsPhase = 0.0;
    EditorTool m_lastSyncedTool = EditorTool::pen;
    ShapeDragState m_shapeDragState;
    std::optional<model::PixelPoint> m_lastShapeDragPixel;
    std::optional<model::PixelImage> m_strokeOriginal;
    std::optional<model::PixelImage> m_workingImage;

    bool m_gestureActive = false;
    bool m_writingDocument = false;
    QSizeF m_lastIntrinsicSize;
    bool m_lastCanCopy = false;
    bool m_lastCanCut = false;
    bool m_lastCanPaste = false;
    QMetaObject::Connection m_uiStateConnection;
    QMetaObject::Connection m_clipboardConnection;
};

}  // namespace pixmora::editor
// interface-ready
