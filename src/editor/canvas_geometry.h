#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include <QPointF>
#include <QRectF>
#include <Qt>

#include "editor/editor_ui_state.h"
#include "model/pixel_rect.h"

// Pure geometry of the canvas: view points to pixels, the Shift rules, handle
// squares and selection moves and resizes. No state, no widget.
namespace pixmora::editor {

enum class ResizeHandle { topLeft, top, topRight, left, right, bottomLeft, bottom, bottomRight };

inline constexpr std::array<ResizeHandle, 8> allResizeHandles{
    ResizeHandle::topLeft, ResizeHandle::top,        ResizeHandle::topRight,
    ResizeHandle::left,    ResizeHandle::right,      ResizeHandle::bottomLeft,
    ResizeHandle::bottom,  ResizeHandle::bottomRight};

bool movesLeftEdge(ResizeHandle handle);
bool movesRightEdge(ResizeHandle handle);
bool movesTopEdge(ResizeHandle handle);
bool movesBottomEdge(ResizeHandle handle);
bool isCornerHandle(ResizeHandle handle);

// Side of a handle's square, in view points at every zoom.
inline constexpr double handleSquareSize = 8.0;

// The pixel under a view point: floor(v / pixelSize). Nothing for a pixel size
// that is not positive or a point that is not finite.
std::optional<model::PixelPoint> pixelAtViewPoint(QPointF viewPoint, double pixelSize);

// The eight handle centres of a pixel rectangle in view coordinates, in
// allResizeHandles order.
std::array<QPointF, 8> handlePoints(const model::PixelRect& rect, double pixelSize);
// The 8 x 8 square centred on a handle point.
QRectF handleSquare(QPointF handlePoint);
// The first handle (in allResizeHandles order) whose square holds the point; left
// and top edges count as inside, right and bottom edges do not.
std::optional<ResizeHandle> hitTestHandle(const model::PixelRect& rect, QPointF viewPoint,
                                          double pixelSize);
// Diagonal resize cursors for corners, horizontal and vertical ones for edges.
Qt::CursorShape cursorShapeForHandle(ResizeHandle handle);

// The Shift rule for a shape's end pixel: a square box for rectangle and ellipse;
// horizontal, vertical or 45 degrees for the line. Other tools keep the end.
model::PixelPoint constrainShapeEnd(EditorTool tool, model::PixelPoint start,
                                    model::PixelPoint end);

// The box spanned by two pixels, both included.
model::PixelRect spannedRect(model::PixelPoint a, model::PixelPoint b);

// original moved by (dx, dy), kept inside a W x H image where it fits and pinned
// at 0 along an axis where it does not.
model::PixelRect movedRect(const model::PixelRect& original, std::int64_t dx, std::int64_t dy,
                           std::int64_t imageWidth, std::int64_t imageHeight);

// original with the handle's edges moved by (dx, dy); never below 1 x 1, a moved
// edge stops one pixel before the opposite one. Not limited to the image.
model::PixelRect resizedRect(const model::PixelRect& original, ResizeHandle handle,
                             std::int64_t dx, std::int64_t dy);

// Shift on a corner handle: keeps originalWidth : originalHeight, following the
// dimension that changed more, with the opposite corner fixed. Edge handles and
// an original size below 1 leave the rectangle as it is.
model::PixelRect constrainCornerResize(const model::PixelRect& rect, std::int64_t originalWidth,
                                       std::int64_t originalHeight, ResizeHandle handle);

// One tick of the marching ants: fmod(phase - 1, 10).
double nextMarchingAntsPhase(double phase);

}  // namespace pixmora::editor
