#include "editor/canvas_controller.h"

#include <algorithm>

#include "document/import_conversion.h"
#include "model/pixel_ops.h"

namespace pixmora::editor {

using model::PixelImage;
using model::PixelPoint;
using model::PixelRect;
using model::RGBAColor;

CanvasController::CanvasController(QObject* parent) : QObject(parent) {}

CanvasController::~CanvasController() = default;

// --- wiring ---

void CanvasController::setUIState(EditorUIState* state)
{
    disconnect(m_uiStateConnection);
    m_uiState = state;
    if (state != nullptr) {
        m_uiStateConnection =
            connect(state, &EditorUIState::changed, this, &CanvasController::onUIStateChanged);
    }
    refreshEditState();
    redisplay();
}

void CanvasController::setDocumentBinding(DocumentBinding* binding)
{
    m_binding = binding;
    redisplay();
}

void CanvasController::setClipboard(ClipboardPort* clipboard)
{
    disconnect(m_clipboardConnection);
    m_clipboard = clipboard;
    if (clipboard != nullptr) {
        m_clipboardConnection = connect(clipboard, &ClipboardPort::changed, this,
                                        &CanvasController::onClipboardChanged);
    }
    refreshEditState();
}

void CanvasController::setPixelSize(double pixelSize)
{
    if (pixelSize == m_pixelSize) {
        return;
    }
    m_pixelSize = pixelSize;
    redisplay();
}

void CanvasController::setInteractive(bool interactive)
{
    m_isInteractive = interactive;
    refreshEditState();
    redisplay();
}

void CanvasController::setColorMode(model::ColorMode mode) { m_colorMode = mode; }

void CanvasController::onUIStateChanged()
{
    syncTool();
    refreshEditState();
    redisplay();
}

void CanvasController::onClipboardChanged() { refreshEditState(); }

void CanvasController::redisplay()
{
    emit redisplayRequested();
    const QSizeF size = intrinsicSize();
    if (size != m_lastIntrinsicSize) {
        m_lastIntrinsicSize = size;
        emit intrinsicSizeChanged();
    }
}

void CanvasController::refreshEditState()
{
    const bool copyState = canCopy();
    const bool cutState = canCut();
    const bool pasteState = canPaste();
    if (copyState != m_lastCanCopy || cutState != m_lastCanCut || pasteState != m_lastCanPaste) {
        m_lastCanCopy = copyState;
        m_lastCanCut = cutState;
        m_lastCanPaste = pasteState;
        emit editStateChanged();
    }
}

// --- event to pixel ---

std::optional<PixelImage> CanvasController::documentImage() const
{
    if (m_binding == nullptr) {
        return std::nullopt;
    }
    return m_binding->image();
}

std::optional<PixelImage> CanvasController::displayedImage() const
{
    if (m_workingImage) {
        return m_workingImage;
    }
    return documentImage();
}

std::optional<PixelPoint> CanvasController::clampedPixelForEvent(QPointF viewPoint) const
{
    const auto reference = displayedImage();
    const auto pixel = pixelAtViewPoint(viewPoint, m_pixelSize);
    if (!reference || !pixel || reference->width < 1 || reference->height < 1) {
        return std::nullopt;
    }
    return PixelPoint{std::clamp<std::int64_t>(pixel->x, 0, reference->width - 1),
                      std::clamp<std::int64_t>(pixel->y, 0, reference->height - 1)};
}

std::optional<PixelPoint> CanvasController::pixelForEvent(QPointF viewPoint) const
{
    const auto reference = displayedImage();
    const auto pixel = pixelAtViewPoint(viewPoint, m_pixelSize);
    if (!reference || !pixel || !reference->contains(pixel->x, pixel->y)) {
        return std::nullopt;
    }
    return pixel;
}

// --- stroke model ---

void CanvasController::beginStroke()
{
    m_strokeOriginal = documentImage();
    m_workingImage = m_strokeOriginal;
}

void CanvasController::finishStroke()
{
    if (m_workingImage && m_strokeOriginal && m_workingImage->pixels != m_strokeOriginal->pixels) {
        const PixelImage result = *m_workingImage;
        m_strokeOriginal.reset();
        m_workingImage.reset();
        writeDocument(result);
    } else {
        m_strokeOriginal.reset();
        m_workingImage.reset();
    }
    refreshEditState();
    redisplay();
}

void CanvasController::writeDocument(const PixelImage& image)
{
    if (m_binding == nullptr) {
        return;
    }
    // The binding's change notice for this write must not count as someone else's.
    const bool wasWriting = m_writingDocument;
    m_writingDocument = true;
    m_binding->setImage(image);
    m_writingDocument = wasWriting;
}

void CanvasController::documentChangedExternally()
{
    if (m_writingDocument) {
        return;
    }
    const bool pending = m_floatingSelection || m_shapeDragState || m_strokeOriginal
                         || m_workingImage;
    // A notice that changes nothing against the copies the canvas works from (a late
    // echo of its own write, say) leaves the pending edit alone.
    if (pending && m_strokeOriginal && documentImage() == m_strokeOriginal) {
        redisplay();
        return;
    }
    if (m_floatingSelection) {
        const auto originalRect = m_floatingSelection->originalRect;
        m_floatingSelection.reset();
        if (m_uiState) {
            m_uiState->setSelectionRect(originalRect);
        }
    }
    if (!std::holds_alternative<selection_drag::Creating>(m_selectionDragState)) {
        m_selectionDragState = selection_drag::None{};
    }
    m_shapeDragState.reset();
    m_lastShapeDragPixel.reset();
    m_strokeOriginal.reset();
    m_workingImage.reset();
    refreshEditState();
    redisplay();
}

// --- events ---

void CanvasController::mousePress(QPointF viewPoint, MouseButton button, bool shift)
{
    if (!m_isInteractive || !m_uiState) {
        return;
    }
    m_gestureActive = true;
    const EditorTool tool = m_uiState->currentTool();
    const bool right = button == MouseButton::right;
    if (isPointTool(tool)) {
        beginStroke();
        applyPointTool(viewPoint, right);
    } else if (tool == EditorTool::select) {
        if (!right) {
            selectionMouseDown(viewPoint);
        }
    } else if (!right || tool == EditorTool::line) {
        startShapeDrag(viewPoint, right, shift);
    }
}

void CanvasController::mouseDrag(QPointF viewPoint, MouseButton button, bool shift)
{
    if (!m_isInteractive || !m_uiState) {
        return;
    }
    const EditorTool tool = m_uiState->currentTool();
    const bool right = button == MouseButton::right;
    if (isPointTool(tool)) {
        applyPointTool(viewPoint, right);
    } else if (tool == EditorTool::select) {
        if (!right) {
            selectionMouseDragged(viewPoint, shift);
        }
    } else if (!right || tool == EditorTool::line) {
        continueShapeDrag(viewPoint, shift);
    }
}

void CanvasController::mouseRelease(QPointF /*viewPoint*/, MouseButton button, bool /*shift*/)
{
    m_gestureActive = false;
    if (!m_isInteractive || !m_uiState) {
        return;
    }
    const EditorTool tool = m_uiState->currentTool();
    const bool right = button == MouseButton::right;
    if (isPointTool(tool)) {
        finishStroke();
    } else if (tool == EditorTool::select) {
        if (!right) {
            selectionMouseUp();
        }
    } else if (!right || tool == EditorTool::line) {
        endShapeDrag();
    }
}

bool CanvasController::shiftChanged(bool shift)
{
    if (!m_isInteractive || !m_shapeDragState || !m_lastShapeDragPixel) {
        return false;
    }
    updateShapePreview(*m_lastShapeDragPixel, shift);
    return true;
}

// --- point tools ---

void CanvasController::applyPointTool(QPointF viewPoint, bool useSecondaryColor)
{
    if (!m_uiState) {
        return;
    }
    const auto pixel = pixelForEvent(viewPoint);
    if (!pixel) {
        return;
    }
    const EditorTool tool = m_uiState->currentTool();
    const RGBAColor color = tool == EditorTool::eraser ? model::kTransparent
                            : useSecondaryColor        ? m_uiState->secondaryColor()
                                                       : m_uiState->currentColor();
    if (tool == EditorTool::pen || tool == EditorTool::eraser) {
        const auto selection = m_uiState->selectionRect();
        if (selection && !selection->contains(pixel->x, pixel->y)) {
            return;
        }
        if (m_workingImage) {
            model::setPixel(*m_workingImage, pixel->x, pixel->y, color);
            redisplay();
        }
    } else if (tool == EditorTool::bucket) {
        bucketFill(*pixel, color);
    }
}

void CanvasController::bucketFill(PixelPoint pixel, RGBAColor color)
{
    if (!m_workingImage) {
        return;
    }
    model::floodFill(*m_workingImage, pixel.x, pixel.y, color,
                     m_uiState ? m_uiState->selectionRect() : std::nullopt);
    redisplay();
}

// --- shapes ---

void CanvasController::startShapeDrag(QPointF viewPoint, bool useSecondaryColor, bool shift)
{
    const auto pixel = clampedPixelForEvent(viewPoint);
    if (!pixel) {
        return;
    }
    beginStroke();
    m_shapeDragState = ShapeDrag{*pixel, useSecondaryColor};
    m_lastShapeDragPixel = pixel;
    updateShapePreview(*pixel, shift);
}

void CanvasController::continueShapeDrag(QPointF viewPoint, bool shift)
{
    if (!m_shapeDragState) {
        return;
    }
    const auto pixel = clampedPixelForEvent(viewPoint);
    if (!pixel) {
        return;
    }
    m_lastShapeDragPixel = pixel;
    updateShapePreview(*pixel, shift);
}

void CanvasController::endShapeDrag()
{
    m_shapeDragState.reset();
    m_lastShapeDragPixel.reset();
    finishStroke();
}

void CanvasController::updateShapePreview(PixelPoint end, bool constrain)
{
    if (!m_uiState || !m_shapeDragState || !m_strokeOriginal) {
        return;
    }
    const EditorTool tool = m_uiState->currentTool();
    const PixelPoint start = m_shapeDragState->start;
    if (constrain) {
        end = constrainShapeEnd(tool, start, end);
    }
    PixelImage result = *m_strokeOriginal;
    const auto selection = m_uiState->selectionRect();
    const auto paint = [&](const model::PointList& points, RGBAColor color) {
        for (const PixelPoint& p : points) {
            if (result.contains(p.x, p.y) && (!selection || selection->contains(p.x, p.y))) {
                result.at(p.x, p.y) = color;
            }
        }
    };
    if (tool == EditorTool::line) {
        paint(model::linePoints(start.x, start.y, end.x, end.y),
              m_shapeDragState->useSecondaryColor ? m_uiState->secondaryColor()
                                                  : m_uiState->currentColor());
    } else if (tool == EditorTool::rectangle || tool == EditorTool::ellipse) {
        const std::int64_t minX = std::min(start.x, end.x);
        const std::int64_t maxX = std::max(start.x, end.x);
        const std::int64_t minY = std::min(start.y, end.y);
        const std::int64_t maxY = std::max(start.y, end.y);
        const auto points = [&](bool filled) {
            return tool == EditorTool::rectangle
                       ? model::rectanglePoints(minX, minY, maxX, maxY, filled)
                       : model::ellipsePoints(minX, minY, maxX - minX + 1, maxY - minY + 1,
                                              filled);
        };
        if (m_uiState->shapeFillEnabled()) {
            paint(points(true), m_uiState->secondaryColor());
        }
        if (m_uiState->shapeStrokeEnabled()) {
            paint(points(false), m_uiState->currentColor());
        }
    }
    m_workingImage = std::move(result);
    redisplay();
}

void CanvasController::cancelShapeDrag()
{
    m_shapeDragState.reset();
    m_lastShapeDragPixel.reset();
    // Nothing was written: showing the document again is showing the image before the drag.
    m_workingImage.reset();
    m_strokeOriginal.reset();
}

// --- keys ---

bool CanvasController::keyPress(CanvasKey key)
{
    if (!m_isInteractive) {
        return false;
    }
    if (m_gestureActive) {
        // Mid-gesture only Escape acts, on what is being dragged: a shape, or floating
        // pixels being moved or resized. The other keys wait for the release.
        if (key == CanvasKey::cancel && (m_shapeDragState || m_floatingSelection)) {
            cancel();
            redisplay();
        }
        return key != CanvasKey::other;
    }
    switch (key) {
    case CanvasKey::commit:
        commitFloatingSelection();
        return true;
    case CanvasKey::deleteSelection:
        if (m_floatingSelection) {
            deleteFloatingSelection();
        } else {
            deleteSelection();
        }
        return true;
    case CanvasKey::cancel:
        cancel();
        redisplay();
        return true;
    case CanvasKey::other:
        return false;
    }
    return false;
}

void CanvasController::deleteSelection()
{
    if (!m_uiState) {
        return;
    }
    const auto selection = m_uiState->selectionRect();
    if (!selection) {
        return;
    }
    beginStroke();
    if (m_workingImage) {
        model::clearRegion(*m_workingImage, selection->x, selection->y, selection->width,
                           selection->height);
    }
    redisplay();
    finishStroke();
}

void CanvasController::deleteFloatingSelection()
{
    // As Cut does, without the clipboard: the floating pixels go, the hole they were
    // lifted from is written as one change, and nothing stays selected.
    m_floatingSelection.reset();
    m_selectionDragState = selection_drag::None{};
    if (m_uiState) {
        m_uiState->setSelectionRect(std::nullopt);
    }
    finishStroke();
}

void CanvasController::cancel()
{
    if (m_shapeDragState) {
        cancelShapeDrag();
    } else if (m_floatingSelection) {
        cancelFloatingSelection();
    } else if (m_uiState) {
        m_uiState->setSelectionRect(std::nullopt);
    }
}

// --- clipboard ---

bool CanvasController::canCopy() const
{
    return m_isInteractive && m_uiState && m_uiState->selectionRect().has_value();
}

bool CanvasController::canCut() const { return canCopy(); }

bool CanvasController::canPaste() const
{
    return m_isInteractive && m_clipboard && m_clipboard->canReadImage();
}

void CanvasController::copyToClipboard()
{
    if (!m_clipboard) {
        return;
    }
    if (m_floatingSelection) {
        m_clipboard->writeImage(m_floatingSelection->image);
        return;
    }
    if (!m_uiState) {
        return;
    }
    const auto selection = m_uiState->selectionRect();
    if (!selection) {
        return;
    }
    const auto source = displayedImage();
    if (!source) {
        return;
    }
    m_clipboard->writeImage(model::extractRegion(*source, selection->x, selection->y,
                                                 selection->width, selection->height));
}

void CanvasController::copy()
{
    if (!m_isInteractive || m_gestureActive) {
        return;
    }
    copyToClipboard();
}

void CanvasController::cut()
{
    if (!m_isInteractive || m_gestureActive) {
        return;
    }
    if (m_floatingSelection) {
        copyToClipboard();
        deleteFloatingSelection();
        return;
    }
    if (m_uiState && m_uiState->selectionRect()) {
        copyToClipboard();
        deleteSelection();
    }
}

void CanvasController::paste()
{
    if (!m_isInteractive || m_gestureActive || !m_uiState || !m_clipboard) {
        return;
    }
    const auto pasted = m_clipboard->readImage();
    if (!pasted) {
        return;
    }
    commitFloatingSelection();
    PixelImage converted = document::convertPastedImage(*pasted, m_colorMode);
    beginStroke();
    if (!m_workingImage) {
        return;
    }
    const PixelRect rect{0, 0, std::min(m_workingImage->width, converted.width),
                         std::min(m_workingImage->height, converted.height)};
    m_uiState->setCurrentTool(EditorTool::select);
    m_floatingSelection = FloatingSelection{std::move(converted), rect, std::nullopt};
    m_uiState->setSelectionRect(rect);
    m_selectionDragState = selection_drag::None{};
    redisplay();
}

// --- tool changes and the window ---

void CanvasController::syncTool()
{
    if (!m_uiState) {
        return;
    }
    const EditorTool tool = m_uiState->currentTool();
    // Remember the tool first: committing notifies the state, which calls back here.
    const EditorTool previous = m_lastSyncedTool;
    m_lastSyncedTool = tool;
    if (m_isInteractive && previous == EditorTool::select && tool != EditorTool::select) {
        m_selectionDragState = selection_drag::None{};
        commitFloatingSelection();
    }
}

void CanvasController::commitPendingFloatingSelection() { commitFloatingSelection(); }

bool CanvasController::prepareUndo()
{
    if (m_gestureActive) {
        return false;
    }
    if (!m_floatingSelection) {
        return true;
    }
    cancelFloatingSelection();
    return false;
}

// --- what the view draws ---

QSizeF CanvasController::intrinsicSize() const
{
    const auto image = displayedImage();
    if (!image) {
        return {0.0, 0.0};
    }
    return {static_cast<double>(image->width) * m_pixelSize,
            static_cast<double>(image->height) * m_pixelSize};
}

SelectionOverlay CanvasController::selectionOverlay() const
{
    SelectionOverlay overlay;
    if (m_floatingSelection) {
        overlay.floating = &*m_floatingSelection;
        overlay.outline = m_floatingSelection->rect;
        overlay.showHandles = true;
        return overlay;
    }
    if (!m_uiState) {
        return overlay;
    }
    overlay.outline = m_uiState->selectionRect();
    // No handles while a selection is being dragged out.
    overlay.showHandles = overlay.outline.has_value()
                          && !std::holds_alternative<selection_drag::Creating>(m_selectionDragState);
    return overlay;
}

bool CanvasController::needsMarchingAnts() const
{
    return m_floatingSelection || (m_uiState && m_uiState->selectionRect());
}

void CanvasController::advanceMarchingAnts()
{
    m_marchingAntsPhase = nextMarchingAntsPhase(m_marchingAntsPhase);
    redisplay();
}

std::optional<ResizeHandle> CanvasController::handleAt(QPointF viewPoint) const
{
    if (!m_isInteractive || !m_uiState || m_uiState->currentTool() != EditorTool::select) {
        return std::nullopt;
    }
    const auto rect =
        m_floatingSelection ? std::optional(m_floatingSelection->rect) : m_uiState->selectionRect();
    if (!rect) {
        return std::nullopt;
    }
    return hitTestHandle(*rect, viewPoint, m_pixelSize);
}

}  // namespace pixmora::editor
