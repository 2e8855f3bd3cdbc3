#include "editor/canvas_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace pixmora::editor {

using model::PixelPoint;
using model::PixelRect;

bool movesLeftEdge(ResizeHandle handle)
{
    return handle == ResizeHandle::topLeft || handle == ResizeHandle::left
        || handle == ResizeHandle::bottomLeft;
}

bool movesRightEdge(ResizeHandle handle)
{
    return handle == ResizeHandle::topRight || handle == ResizeHandle::right
        || handle == ResizeHandle::bottomRight;
}

bool movesTopEdge(ResizeHandle handle)
{
    return handle == ResizeHandle::topLeft || handle == ResizeHandle::top
        || handle == ResizeHandle::topRight;
}

bool movesBottomEdge(ResizeHandle handle)
{
    return handle == ResizeHandle::bottomLeft || handle == ResizeHandle::bottom
        || handle == ResizeHandle::bottomRight;
}

bool isCornerHandle(ResizeHandle handle)
{
    return handle == ResizeHandle::topLeft || handle == ResizeHandle::topRight
        || handle == ResizeHandle::bottomLeft || handle == ResizeHandle::bottomRight;
}

std::optional<PixelPoint> pixelAtViewPoint(QPointF viewPoint, double pixelSize)
{
    if (!(pixelSize > 0.0) || !std::isfinite(viewPoint.x()) || !std::isfinite(viewPoint.y())) {
        return std::nullopt;
    }
    // Limited well inside int64 so the conversion is defined for any point.
    constexpr double limit = 1e15;
    const double px = std::clamp(std::floor(viewPoint.x() / pixelSize), -limit, limit);
    const double py = std::clamp(std::floor(viewPoint.y() / pixelSize), -limit, limit);
    return PixelPoint{static_cast<std::int64_t>(px), static_cast<std::int64_t>(py)};
}

std::array<QPointF, 8> handlePoints(const PixelRect& rect, double pixelSize)
{
    const double minX = static_cast<double>(rect.x) * pixelSize;
    const double minY = static_cast<double>(rect.y) * pixelSize;
    const double maxX = minX + static_cast<double>(rect.width) * pixelSize;
    const double maxY = minY + static_cast<double>(rect.height) * pixelSize;
    const double midX = (minX + maxX) / 2.0;
    const double midY = (minY + maxY) / 2.0;
    return {QPointF(minX, minY), QPointF(midX, minY), QPointF(maxX, minY),
            QPointF(minX, midY), QPointF(maxX, midY), QPointF(minX, maxY),
            QPointF(midX, maxY), QPointF(maxX, maxY)};
}

QRectF handleSquare(QPointF handlePoint)
{
    const double half = handleSquareSize / 2.0;
    return {handlePoint.x() - half, handlePoint.y() - half, handleSquareSize, handleSquareSize};
}

std::optional<ResizeHandle> hitTestHandle(const PixelRect& rect, QPointF viewPoint,
                                          double pixelSize)
{
    const auto points = handlePoints(rect, pixelSize);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const QRectF square = handleSquare(points[i]);
        // QRectF::contains would also take the right and bottom edges.
        if (viewPoint.x() >= square.left() && viewPoint.x() < square.right()
            && viewPoint.y() >= square.top() && viewPoint.y() < square.bottom()) {
            return allResizeHandles[i];
        }
    }
    return std::nullopt;
}

Qt::CursorShape cursorShapeForHandle(ResizeHandle handle)
{
    switch (handle) {
    case ResizeHandle::topLeft:
    case ResizeHandle::bottomRight:
        return Qt::SizeFDiagCursor;
    case ResizeHandle::topRight:
    case ResizeHandle::bottomLeft:
        return Qt::SizeBDiagCursor;
    case ResizeHandle::left:
    case ResizeHandle::right:
        return Qt::SizeHorCursor;
    case ResizeHandle::top:
    case ResizeHandle::bottom:
        return Qt::SizeVerCursor;
    }
    return Qt::ArrowCursor;
}

namespace {

// Zero counts as positive, so a Shift drag back onto the start still has a direction.
std::int64_t signOf(std::int64_t v) { return v < 0 ? -1 : 1; }

}  // namespace

PixelPoint constrainShapeEnd(EditorTool tool, PixelPoint start, PixelPoint end)
{
    const std::int64_t dx = end.x - start.x;
    const std::int64_t dy = end.y - start.y;
    const std::int64_t adx = std::abs(dx);
    const std::int64_t ady = std::abs(dy);
    switch (tool) {
    case EditorTool::rectangle:
    case EditorTool::ellipse: {
        const std::int64_t m = std::max(adx, ady);
        return {start.x + signOf(dx) * m, start.y + signOf(dy) * m};
    }
    case EditorTool::line: {
        if (dx == 0 && dy == 0) {
            return end;
        }
        if (adx > 2 * ady) {
            return {start.x + dx, start.y};
        }
        if (ady > 2 * adx) {
            return {start.x, start.y + dy};
        }
        const std::int64_t d = std::min(adx, ady);
        return {start.x + signOf(dx) * d, start.y + signOf(dy) * d};
    }
    default:
        return end;
    }
}

PixelRect spannedRect(PixelPoint a, PixelPoint b)
{
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x) + 1,
            std::abs(b.y - a.y) + 1};
}

PixelRect movedRect(const PixelRect& original, std::int64_t dx, std::int64_t dy,
                    std::int64_t imageWidth, std::int64_t imageHeight)
{
    // min(max(...)) rather than std::clamp: the upper bound may be below 0's floor.
    const std::int64_t nx =
        std::min(std::max<std::int64_t>(original.x + dx, 0),
                 std::max<std::int64_t>(imageWidth - original.width, 0));
    const std::int64_t ny =
        std::min(std::max<std::int64_t>(original.y + dy, 0),
                 std::max<std::int64_t>(imageHeight - original.height, 0));
    return {nx, ny, original.width, original.height};
}

PixelRect resizedRect(const PixelRect& original, ResizeHandle handle, std::int64_t dx,
                      std::int64_t dy)
{
    const std::int64_t left = original.x;
    const std::int64_t right = original.x + original.width;
    const std::int64_t top = original.y;
    const std::int64_t bottom = original.y + original.height;
    const std::int64_t newLeft = movesLeftEdge(handle) ? std::min(left + dx, right - 1) : left;
    const std::int64_t newRight =
        movesRightEdge(handle) ? std::max(right + dx, newLeft + 1) : right;
    const std::int64_t newTop = movesTopEdge(handle) ? std::min(top + dy, bottom - 1) : top;
    const std::int64_t newBottom =
        movesBottomEdge(handle) ? std::max(bottom + dy, newTop + 1) : bottom;
    return {newLeft, newTop, newRight - newLeft, newBottom - newTop};
}

PixelRect constrainCornerResize(const PixelRect& rect, std::int64_t originalWidth,
                                std::int64_t originalHeight, ResizeHandle handle)
{
    if (!isCornerHandle(handle) || originalHeight < 1 || originalWidth < 1) {
        return rect;
    }
    const double ratio = static_cast<double>(originalWidth) / static_cast<double>(originalHeight);
    std::int64_t newWidth = rect.width;
    std::int64_t newHeight = rect.height;
    if (std::abs(rect.width - originalWidth) < std::abs(rect.height - originalHeight)) {
        newWidth = std::max<std::int64_t>(1, std::llround(ratio * static_cast<double>(rect.height)));
    } else {
        newHeight =
            std::max<std::int64_t>(1, std::llround(static_cast<double>(rect.width) / ratio));
    }
    PixelRect result{rect.x, rect.y, newWidth, newHeight};
    if (handle == ResizeHandle::topLeft || handle == ResizeHandle::bottomLeft) {
        result.x = rect.x + rect.width - newWidth;
    }
    if (handle == ResizeHandle::topLeft || handle == ResizeHandle::topRight) {
        result.y = rect.y + rect.height - newHeight;
    }
    return result;
}

double nextMarchingAntsPhase(double phase) { return std::fmod(phase - 1.0, 10.0); }

}  // namespace pixmora::editor
