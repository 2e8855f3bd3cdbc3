#pragma once

#include <cstdint>
#include <vector>

#include <QColor>
#include <QImage>
#include <QRect>

#include "model/pixel_image.h"
#include "model/rgba_color.h"

class QPainter;

namespace pixmora::editor {

// The pixel layer of the canvas at a zoom: every cell filled with its pixel's
// colour over the background, or with a 2 x 2 checker for a transparent pixel,
// and from pixel size 6 up the grid over the first column and row of each cell.
// Cells follow the aliased fill rule: a cell covers the view pixels from
// round(x * s) to round((x + 1) * s), its left quarter half of that, rounded alike.
//
// Painting an exposed area costs one unscaled image blit: the canvas is kept
// rendered at the current zoom while it stays within a memory budget, and only the
// cells whose inputs changed are rendered again. Past the budget the exposed area
// alone is rendered for each paint.
class CanvasRaster {
public:
    // Rendered canvases larger than this (in view pixels) are not kept.
    static constexpr std::int64_t cacheBudgetPixels = 4096 * 4096;
    static constexpr double gridMinimumPixelSize = 6.0;
    // Uncached canvases are painted through a buffer of about this many pixels.
    static constexpr int bandBudgetPixels = 1 << 20;
    static inline const QColor gridColor{160, 160, 160};

    // Takes the inputs for the next paint; cheap when little or nothing changed.
    void update(const model::PixelImage& image, double pixelSize, model::RGBAColor checkerLight,
                model::RGBAColor checkerDark, QColor background);
    // Paints the cells meeting `exposed` (view coordinates, origin at the top-left cell).
    void paint(QPainter& painter, const QRect& exposed);

    // The view pixels the canvas covers.
    QRect canvasArea() const;
    bool isCached() const { return !m_rendered.isNull(); }

private:
    struct CellSpan {
        std::int64_t first = 0;  // first cell
        std::int64_t last = 0;   // one past the last cell
    };

    void composeLayer(const model::PixelImage& image, std::int64_t x0, std::int64_t y0,
                      std::int64_t x1, std::int64_t y1);
    // Renders the view pixels of `area` into `target`, whose pixel (0, 0) is view
    // pixel `origin`.
    void render(QImage& target, QPoint origin, const QRect& area) const;
    // For view pixels from..to-1 along one axis of `cells` cells: the layer index
    // (2 * cell + quarter), gridLine on a cell's first pixel, or outside.
    std::vector<int> axisMap(int from, int to, std::int64_t cells) const;
    QRect viewRectOfCells(std::int64_t x0, std::int64_t y0, std::int64_t x1,
                          std::int64_t y1) const;

    static constexpr int gridLine = -1;
    static constexpr int outside = -2;

    model::PixelImage m_image;
    double m_pixelSize = 0.0;
    model::RGBAColor m_light;
    model::RGBAColor m_dark;
    QColor m_background;
    bool m_hasInputs = false;
    // Each pixel as a 2 x 2 block of what its cell shows, already over the background.
    QImage m_layer;
    // The whole canvas at m_pixelSize, when within the budget.
    QImage m_rendered;
    double m_renderedPixelSize = 0.0;
    QImage m_band;
};

}  // namespace pixmora::editor
