#include "editor/canvas_raster.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include <QPainter>

namespace pixmora::editor {

namespace {

// Where QPainter's aliased fill puts an edge at v: pixel centres at or past it.
double alignedEdge(double v)
{
    return std::floor(v + 0.5);
}

QRgb premultiplied(model::RGBAColor c)
{
    return qPremultiply(qRgba(c.r, c.g, c.b, c.a));
}

}  // namespace

void CanvasRaster::setImage(const model::PixelImage& image)
{
    if (image.width != m_image.width || image.height != m_image.height) {
        m_image = image;
        m_layerValid = false;
        ++m_generation;
        return;
    }
    // The box around the pixels that differ; most repaints change nothing or a few.
    std::int64_t x0 = image.width;
    std::int64_t y0 = image.height;
    std::int64_t x1 = 0;
    std::int64_t y1 = 0;
    const auto rowBytes = static_cast<std::size_t>(image.width) * sizeof(model::RGBAColor);
    for (std::int64_t y = 0; y < image.height; ++y) {
        if (std::memcmp(&image.at(0, y), &m_image.at(0, y), rowBytes) == 0) {
            continue;
        }
        for (std::int64_t x = 0; x < image.width; ++x) {
            if (image.at(x, y) != m_image.at(x, y)) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x + 1);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y + 1);
            }
        }
    }
    if (x0 >= x1) {
        return;
    }
    m_image = image;
    ++m_generation;
    if (m_layerValid) {
        composeLayer(x0, y0, x1, y1);
        markStale(x0, y0, x1, y1);
    }
}

void CanvasRaster::setFloating(const model::PixelImage* floating, model::PixelPoint origin)
{
    if (!floating && !m_floating) {
        return;
    }
    if (floating && m_floating && origin == m_floatingOrigin && *floating == *m_floating) {
        return;
    }
    const auto before = floatingCells();
    ++m_generation;
    if (floating) {
        m_floating = *floating;
    } else {
        m_floating.reset();
    }
    m_floatingOrigin = origin;
    if (!m_layerValid) {
        return;
    }
    for (const auto& cells : {before, floatingCells()}) {
        if (cells) {
            const std::int64_t x1 = cells->x + cells->width;
            const std::int64_t y1 = cells->y + cells->height;
            composeLayer(cells->x, cells->y, x1, y1);
            markStale(cells->x, cells->y, x1, y1);
        }
    }
}

std::optional<model::PixelRect> CanvasRaster::floatingCells() const
{
    if (!m_floating) {
        return std::nullopt;
    }
    const std::int64_t x0 = std::max<std::int64_t>(0, m_floatingOrigin.x);
    const std::int64_t y0 = std::max<std::int64_t>(0, m_floatingOrigin.y);
    const std::int64_t x1 = std::min(m_image.width, m_floatingOrigin.x + m_floating->width);
    const std::int64_t y1 = std::min(m_image.height, m_floatingOrigin.y + m_floating->height);
    if (x0 >= x1 || y0 >= y1) {
        return std::nullopt;
    }
    return model::PixelRect{x0, y0, x1 - x0, y1 - y0};
}

void CanvasRaster::markStale(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1)
{
    if (m_staleX0 < m_staleX1) {
        x0 = std::min(x0, m_staleX0);
        y0 = std::min(y0, m_staleY0);
        x1 = std::max(x1, m_staleX1);
        y1 = std::max(y1, m_staleY1);
    }
    m_staleX0 = x0;
    m_staleY0 = y0;
    m_staleX1 = x1;
    m_staleY1 = y1;
}

void CanvasRaster::setAppearance(double pixelSize, model::RGBAColor checkerLight,
                                 model::RGBAColor checkerDark, QColor background)
{
    if (checkerLight != m_light || checkerDark != m_dark || background != m_background) {
        m_light = checkerLight;
        m_dark = checkerDark;
        m_background = background;
        m_layerValid = false;
        ++m_generation;
    }
    if (pixelSize != m_pixelSize) {
        m_pixelSize = pixelSize;
        m_renderedValid = false;
        ++m_generation;
    }
}

void CanvasRaster::paint(QPainter& painter, const QRect& exposed)
{
    const QRect area = exposed & canvasArea();
    if (area.isEmpty() || m_image.width <= 0 || m_image.height <= 0) {
        return;
    }
    if (!m_layerValid) {
        const QSize layerSize(int(3 * m_image.width + 1), int(3 * m_image.height + 1));
        if (m_layer.size() != layerSize) {
            m_layer = QImage(layerSize, QImage::Format_RGB32);
        }
        composeLayer(0, 0, m_image.width, m_image.height);
        m_layerValid = true;
        m_renderedValid = false;
    }
    bringRenderedUpToDate(area);
    if (!m_rendered.isNull()) {
        painter.drawImage(area.topLeft(), m_rendered, area.translated(-m_renderedArea.topLeft()));
        return;
    }
    // Band by band through one reused buffer small enough to stay in the CPU cache.
    const int bandRows = std::clamp(bandBudgetPixels / area.width(), 1, area.height());
    if (m_band.width() < area.width() || m_band.height() < bandRows) {
        m_band = QImage(std::max(area.width(), m_band.width()), std::max(bandRows, m_band.height()),
                        QImage::Format_RGB32);
    }
    for (int top = area.top(); top <= area.bottom(); top += bandRows) {
        const int rows = std::min(bandRows, area.bottom() + 1 - top);
        const QRect band(area.left(), top, area.width(), rows);
        render(m_band, band.topLeft(), band);
        painter.drawImage(band.topLeft(), m_band, QRect(QPoint(), band.size()));
    }
}

void CanvasRaster::bringRenderedUpToDate(const QRect& shown)
{
    const auto pixels = [](const QRect& r) { return std::int64_t(r.width()) * r.height(); };
    const QRect canvas = canvasArea();
    QRect wanted;
    if (pixels(canvas) <= m_cacheBudgetPixels) {
        wanted = canvas;
    } else if (m_renderedValid && m_renderedArea.contains(shown)) {
        wanted = m_renderedArea;
    } else if (pixels(shown) <= m_cacheBudgetPixels) {
        // Only a window around what is shown is kept, with room to scroll a little.
        wanted = shown.adjusted(-windowMargin, -windowMargin, windowMargin, windowMargin) & canvas;
        if (pixels(wanted) > m_cacheBudgetPixels) {
            wanted = shown;
        }
    } else {
        m_rendered = QImage();
        m_renderedValid = false;
        m_staleX0 = m_staleY0 = m_staleX1 = m_staleY1 = 0;
        return;
    }
    if (!m_renderedValid || wanted != m_renderedArea) {
        if (m_rendered.size() != wanted.size()) {
            m_rendered = QImage(wanted.size(), QImage::Format_RGB32);
        }
        m_renderedArea = wanted;
        render(m_rendered, wanted.topLeft(), wanted);
        m_renderedValid = true;
    } else if (m_staleX0 < m_staleX1) {
        render(m_rendered, m_renderedArea.topLeft(),
               viewRectOfCells(m_staleX0, m_staleY0, m_staleX1, m_staleY1) & m_renderedArea);
    }
    m_staleX0 = m_staleY0 = m_staleX1 = m_staleY1 = 0;
}

QRect CanvasRaster::canvasArea() const
{
    return QRect(0, 0, int(std::ceil(double(m_image.width) * m_pixelSize)),
                 int(std::ceil(double(m_image.height) * m_pixelSize)));
}

void CanvasRaster::composeLayer(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1)
{
    const int w = int(x1 - x0);
    const int h = int(y1 - y0);
    // What the cell's fills put down, then laid over the background by QPainter,
    // so partly transparent colours blend exactly as a direct fill would. The grid
    // is opaque and simply replaces the background.
    QImage fills(3 * w, 3 * h, QImage::Format_ARGB32_Premultiplied);
    const QRgb light = premultiplied(m_light);
    const QRgb dark = premultiplied(m_dark);
    const QRgb grid = gridColor.rgba();
    for (int y = 0; y < h; ++y) {
        auto* gridRow = reinterpret_cast<QRgb*>(fills.scanLine(3 * y));
        auto* top = reinterpret_cast<QRgb*>(fills.scanLine(3 * y + 1));
        auto* bottom = reinterpret_cast<QRgb*>(fills.scanLine(3 * y + 2));
        std::fill(gridRow, gridRow + 3 * w, grid);
        for (int x = 0; x < w; ++x) {
            top[3 * x] = bottom[3 * x] = grid;
            const model::RGBAColor c = m_image.at(x0 + x, y0 + y);
            if (c.isTransparent()) {
                top[3 * x + 1] = light;
                top[3 * x + 2] = dark;
                bottom[3 * x + 1] = dark;
                bottom[3 * x + 2] = light;
            } else {
                top[3 * x + 1] = top[3 * x + 2] = bottom[3 * x + 1] = bottom[3 * x + 2] =
                    premultiplied(c);
            }
        }
    }
    QPainter composer(&m_layer);
    composer.setCompositionMode(QPainter::CompositionMode_Source);
    const QRect target(int(3 * x0), int(3 * y0), 3 * w, 3 * h);
    composer.fillRect(target, m_background);
    composer.setCompositionMode(QPainter::CompositionMode_SourceOver);
    composer.drawImage(target.topLeft(), fills);
    // The lines closing the grid along the right and bottom edges, kept past the last
    // cell: a column and a row of their own, then the corner.
    const QRect closing = target.adjusted(0, 0, x1 == m_image.width ? 1 : 0,
                                          y1 == m_image.height ? 1 : 0);
    if (x1 == m_image.width) {
        composer.fillRect(QRect(closing.right(), closing.top(), 1, closing.height()), gridColor);
    }
    if (y1 == m_image.height) {
        composer.fillRect(QRect(closing.left(), closing.bottom(), closing.width(), 1), gridColor);
    }

    // Floating pixels cover their whole cells, drawn the way the overlay draws them
    // on screen: scaled without smoothing, source over.
    const auto cells = floatingCells();
    if (!cells) {
        return;
    }
    const std::int64_t fx0 = std::max(x0, cells->x);
    const std::int64_t fy0 = std::max(y0, cells->y);
    const std::int64_t fx1 = std::min(x1, cells->x + cells->width);
    const std::int64_t fy1 = std::min(y1, cells->y + cells->height);
    if (fx0 >= fx1 || fy0 >= fy1) {
        return;
    }
    QImage floating(int(fx1 - fx0), int(fy1 - fy0), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < floating.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(floating.scanLine(y));
        for (int x = 0; x < floating.width(); ++x) {
            line[x] = premultiplied(
                m_floating->at(fx0 + x - m_floatingOrigin.x, fy0 + y - m_floatingOrigin.y));
        }
    }
    composer.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRect covered(int(3 * fx0), int(3 * fy0), 3 * floating.width(), 3 * floating.height());
    composer.drawImage(QRectF(covered), floating, QRectF(floating.rect()));
    // Floating pixels in the last column or row cover the closing line too.
    const bool right = fx1 == m_image.width;
    const bool bottom = fy1 == m_image.height;
    const int fw = floating.width();
    const int fh = floating.height();
    if (right) {
        composer.drawImage(QRect(covered.right() + 1, covered.top(), 1, covered.height()),
                           floating, QRect(fw - 1, 0, 1, fh));
    }
    if (bottom) {
        composer.drawImage(QRect(covered.left(), covered.bottom() + 1, covered.width(), 1),
                           floating, QRect(0, fh - 1, fw, 1));
    }
    if (right && bottom) {
        composer.drawImage(QRect(covered.right() + 1, covered.bottom() + 1, 1, 1), floating,
                           QRect(fw - 1, fh - 1, 1, 1));
    }
}

std::vector<int> CanvasRaster::axisMap(int from, int to, std::int64_t cells) const
{
    std::vector<int> map(static_cast<std::size_t>(std::max(0, to - from)), outside);
    const double s = m_pixelSize;
    const bool grid = s >= gridMinimumPixelSize;
    for (auto c = std::max<std::int64_t>(0, std::int64_t(std::floor(from / s)) - 1); c < cells;
         ++c) {
        const double start = alignedEdge(double(c) * s);
        if (start >= to) {
            break;
        }
        const double middle = alignedEdge(double(c) * s + s / 2.0);
        const double end = alignedEdge(double(c + 1) * s);
        // The last cell gives its last view pixel to the line closing the grid.
        const double closing = grid && c == cells - 1 ? end - 1 : -1.0;
        for (auto v = std::int64_t(std::max(start, double(from))); v < std::min(end, double(to));
             ++v) {
            const int part = grid && double(v) == start ? 0
                             : double(v) == closing     ? 3
                             : double(v) < middle       ? 1
                                                        : 2;
            map[static_cast<std::size_t>(v - from)] = int(3 * c + part);
        }
    }
    return map;
}

void CanvasRaster::render(QImage& target, QPoint origin, const QRect& area) const
{
    if (area.isEmpty()) {
        return;
    }
    const std::vector<int> columns =
        axisMap(area.left(), area.left() + area.width(), m_image.width);
    const std::vector<int> rows = axisMap(area.top(), area.top() + area.height(), m_image.height);
    const QRgb background = m_background.rgb();
    const auto width = static_cast<std::size_t>(area.width());
    // Rows repeat within each part of a cell: build one, copy it down.
    const QRgb* previous = nullptr;
    int previousRow = INT_MIN;
    for (int i = 0; i < area.height(); ++i) {
        auto* out = reinterpret_cast<QRgb*>(target.scanLine(area.top() + i - origin.y()))
                  + (area.left() - origin.x());
        const int row = rows[static_cast<std::size_t>(i)];
        if (previous && row == previousRow) {
            std::memcpy(out, previous, width * sizeof(QRgb));
        } else if (row == outside) {
            std::fill(out, out + width, background);
        } else {
            const auto* source = reinterpret_cast<const QRgb*>(m_layer.constScanLine(row));
            for (std::size_t j = 0; j < width; ++j) {
                const int column = columns[j];
                out[j] = column >= 0 ? source[column] : background;
            }
        }
        previous = out;
        previousRow = row;
    }
}

QRect CanvasRaster::viewRectOfCells(std::int64_t x0, std::int64_t y0, std::int64_t x1,
                                    std::int64_t y1) const
{
    const double s = m_pixelSize;
    const int left = int(alignedEdge(double(x0) * s));
    const int top = int(alignedEdge(double(y0) * s));
    return QRect(left, top, int(alignedEdge(double(x1) * s)) - left,
                 int(alignedEdge(double(y1) * s)) - top);
}

}  // namespace pixmora::editor
