// The select tool and the floating selection of CanvasController.
#include "editor/canvas_controller.h"

#include "model/pixel_ops.h"

namespace pixmora::editor {

using model::PixelImage;
using model::PixelPoint;
using model::PixelRect;

void CanvasController::selectionMouseDown(QPointF viewPoint)
{
    const auto pixel = clampedPixelForEvent(viewPoint);
    if (!pixel || !m_uiState) {
        return;
    }
    if (m_floatingSelection) {
        const FloatingSelection& floating = *m_floatingSelection;
        if (const auto handle = hitTestHandle(floating.rect, viewPoint, m_pixelSize)) {
            m_selectionDragState =
                selection_drag::ResizingFloat{*handle, *pixel, floating.rect, floating.image};
            redisplay();
            return;
        }
        if (floating.rect.contains(pixel->x, pixel->y)) {
            m_selectionDragState = selection_drag::MovingFloat{*pixel, floating.rect};
            redisplay();
            return;
        }
        commitFloatingSelection();
    }
    if (const auto selection = m_uiState->selectionRect()) {
        if (const auto handle = hitTestHandle(*selection, viewPoint, m_pixelSize)) {
            auto lifted = liftSelection(*selection);
            if (!lifted) {
                return;
            }
            m_selectionDragState = selection_drag::ResizingFloat{*handle, *pixel, *selection,
                                                                 std::move(*lifted)};
            redisplay();
            return;
        }
        if (selection->contains(pixel->x, pixel->y)) {
            if (!liftSelection(*selection)) {
                return;
            }
            m_selectionDragState = selection_drag::MovingFloat{*pixel, *selection};
            redisplay();
            return;
        }
    }
    m_uiState->setSelectionRect(PixelRect{pixel->x, pixel->y, 1, 1});
    m_selectionDragState = selection_drag::Creating{*pixel};
    redisplay();
}

void CanvasController::selectionMouseDragged(QPointF viewPoint, bool shift)
{
    const auto pixel = clampedPixelForEvent(viewPoint);
    const auto reference = displayedImage();
    if (!pixel || !reference || !m_uiState) {
        return;
    }
    if (const auto* creating = std::get_if<selection_drag::Creating>(&m_selectionDragState)) {
        m_uiState->setSelectionRect(spannedRect(creating->start, *pixel));
    } else if (const auto* moving =
                   std::get_if<selection_drag::MovingFloat>(&m_selectionDragState)) {
        const PixelRect rect = movedRect(moving->originalRect, pixel->x - moving->startPixel.x,
                                         pixel->y - moving->startPixel.y, reference->width,
                                         reference->height);
        if (m_floatingSelection) {
            m_floatingSelection->rect = rect;
        }
        m_uiState->setSelectionRect(rect);
    } else if (const auto* resizing =
                   std::get_if<selection_drag::ResizingFloat>(&m_selectionDragState)) {
        PixelRect rect = resizedRect(resizing->originalRect, resizing->handle,
                                     pixel->x - resizing->startPixel.x,
                                     pixel->y - resizing->startPixel.y);
        if (shift) {
            rect = constrainCornerResize(rect, resizing->originalRect.width,
                                         resizing->originalRect.height, resizing->handle);
        }
        if (m_floatingSelection) {
            m_floatingSelection->rect = rect;
            // Always from the image the drag began with, so steps never compound losses.
            m_floatingSelection->image =
                model::scaledNearest(resizing->originalImage, rect.width, rect.height);
        }
        m_uiState->setSelectionRect(rect);
    }
    redisplay();
}

void CanvasController::selectionMouseUp()
{
    if (const auto* creating = std::get_if<selection_drag::Creating>(&m_selectionDragState)) {
        const auto selection = m_uiState ? m_uiState->selectionRect() : std::nullopt;
        // A click without a drag removes the selection.
        if (selection && selection->x == creating->start.x && selection->y == creating->start.y
            && selection->width < 2 && selection->height < 2) {
            m_uiState->setSelectionRect(std::nullopt);
        }
    }
    m_selectionDragState = selection_drag::None{};
    redisplay();
}

std::optional<PixelImage> CanvasController::liftSelection(const PixelRect& rect)
{
    beginStroke();
    if (!m_workingImage) {
        return std::nullopt;
    }
    PixelImage lifted = model::extractRegion(*m_workingImage, rect.x, rect.y, rect.width,
                                             rect.height);
    model::clearRegion(*m_workingImage, rect.x, rect.y, rect.width, rect.height);
    m_floatingSelection = FloatingSelection{lifted, rect, rect};
    return lifted;
}

void CanvasController::commitFloatingSelection()
{
    if (!m_floatingSelection) {
        return;
    }
    if (m_workingImage) {
        model::stampImage(*m_workingImage, m_floatingSelection->image, m_floatingSelection->rect.x,
                          m_floatingSelection->rect.y);
    }
    m_floatingSelection.reset();
    // A save in the middle of a move or resize ends it: the rest of the drag must not
    // carry the selection away from the pixels just put down.
    if (!std::holds_alternative<selection_drag::Creating>(m_selectionDragState)) {
        m_selectionDragState = selection_drag::None{};
    }
    finishStroke();
    redisplay();
}

void CanvasController::cancelFloatingSelection()
{
    if (!m_floatingSelection) {
        return;
    }
    // The document was never written, so dropping the copies shows the image as it
    // was before the lift.
    m_strokeOriginal.reset();
    m_workingImage.reset();
    const auto originalRect = m_floatingSelection->originalRect;
    m_floatingSelection.reset();
    m_selectionDragState = selection_drag::None{};
    if (m_uiState) {
        m_uiState->setSelectionRect(originalRect);
    }
    redisplay();
}

}  // namespace pixmora::editor
