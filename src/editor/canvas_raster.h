#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QColor>
#include <QImage>
#include <QRect>

#include "model/pixel_image.h"
#include "model/pixel_rect.h"
#include "model/rgba_color.h"

class QPainter;

namespace pixmora::editor {

// The pixel layer of the canvas at a zoom: every cell filled with its pixel's
// colour over the background, or with a 2 x 2 checker for a transparent pixel,
// and from pixel size 6 up the grid over the first column and row of each cell and
// the last column and row of the canvas, which close it.
// Cells follow the aliased fill rule: a cell covers the view pixels from
// round(x * s) to round((x + 1) * s), its left quarter half of that, rounded alike.
// Floating pixels, when given, are laid over whole cells, grid included, as a
// source-over drawImage of them would be.
//
// Painting an exposed area costs one unscaled image blit: the canvas is kept
// rendered at the current zoom while it stays within a memory budget, and only the
// cells whose inputs changed are rendered again. Past the budget a window around
// the exposed area is kept instead, and moved when a paint reaches past it; an
// exposed area past the budget itself is rendered for each paint.
class CanvasRaster {
public:
    // Rendered canvases larger than this (in view pixels) are not kept by default.
    static constexpr std::int64_t defaultCacheBudgetPixels = 4096 * 4096;
    static constexpr double gridMinimumPixelSize = 6.0;
    // Uncached canvases are painted through a buffer of about this many pixels.
    static constexpr int bandBudgetPixels = 1 << 18;
    // View pixels kept around the exposed area on each side when only a window is kept.
    static constexpr int windowMargin = 256;
    static inline const QColor gridColor{160, 160, 160};

    explicit CanvasRaster(std::int64_t cacheBudgetPixels = defaultCacheBudgetPixels)
        : m_cacheBudgetPixels(cacheBudgetPixels)
    {
    }

    // The pixels to show; only the cells that differ from the last image are
    // composed and rendered again.
    void setImage(const model::PixelImage& image);
    // Pixels floating over the image, their (0, 0) over cell `origin`; the parts
    // outside the image are not shown. nullptr shows none.
    void setFloating(const model::PixelImage* floating, model::PixelPoint origin = {});
    // Zoom, checker colours and what shows through partly transparent pixels.
    void setAppearance(double pixelSize, model::RGBAColor checkerLight,
                       model::RGBAColor checkerDark, QColor background);
    // Paints the cells meeting `exposed` (view coordinates, origin at the top-left cell).
    void paint(QPainter& painter, const QRect& exposed);

    // The view pixels the canvas covers.
    QRect canvasArea() const;
    // Changes whenever what paint() puts down may have changed.
    std::uint64_t generation() const { return m_generation; }

private:
    void composeLayer(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1);
    // Makes m_rendered hold `shown` (inside the canvas) up to date, or leaves it
    // null when `shown` alone is past the budget.
    void bringRenderedUpToDate(const QRect& shown);
    // Renders the view pixels of `area` into `target`, whose pixel (0, 0) is view
    // pixel `origin`.
    void render(QImage& target, QPoint origin, const QRect& area) const;
    // For view pixels from..to-1 along one axis of `cells` cells: the layer index
    // (3 * cell + part: 0 the grid line on a cell's first pixel, 1 and 2 the halves;
    // 3 * cells the closing line on the last cell's last pixel), or outside.
    std::vector<int> axisMap(int from, int to, std::int64_t cells) const;
    QRect viewRectOfCells(std::int64_t x0, std::int64_t y0, std::int64_t x1,
                          std::int64_t y1) const;
    void markStale(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1);
    // The cells of the floating pixels that lie on the image, if any.
    std::optional<model::PixelRect> floatingCells() const;

    static constexpr int outside = -1;

    std::int64_t m_cacheBudgetPixels = defaultCacheBudgetPixels;
    std::uint64_t m_generation = 0;
    model::PixelImage m_image;
    double m_pixelSize = 0.0;
    model::RGBAColor m_light;
    model::RGBAColor m_dark;
    QColor m_background;
    std::optional<model::PixelImage> m_floating;
    model::PixelPoint m_floatingOrigin;
    // Each pixel as a 3 x 3 block of what its cell shows: the grid colour along the
    // top row and left column, the quarters already over the background, floating
    // pixels over all of it; then one more column and row for the closing lines.
    QImage m_layer;
    bool m_layerValid = false;
    // The view pixels of m_renderedArea at m_pixelSize: the whole canvas when within
    // the budget, else a window. The cells [x0, x1) x [y0, y1) are out of date.
    QImage m_rendered;
    QRect m_renderedArea;
    bool m_renderedValid = false;
    std::int64_t m_staleX0 = 0;
    std::int64_t m_staleY0 = 0;
    std::int64_t m_staleX1 = 0;
    std::int64_t m_staleY1 = 0;
    // Reused for exposed areas too large to keep rendered.
    QImage m_band;
};

}  // namespace pixmora::editor
